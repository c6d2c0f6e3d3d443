#include "platform/posix/DescriptorIo.h"

#include <cerrno>

#include <unistd.h>

namespace TNux::Posix {

TDescriptor::~TDescriptor() {
    int error = errno;
    Close();
    errno = error;
}

bool TDescriptor::Close() {
    if (descriptor < 0) {
        return true;
    }
    int result = close(descriptor);
    descriptor = -1;
    return result == 0 || errno == EINTR;
}

bool ReadAt(int descriptor, void* buffer, std::size_t size, std::uint64_t offset) {
    auto* bytes = static_cast<unsigned char*>(buffer);
    while (size > 0) {
        ssize_t count = pread(descriptor, bytes, size, static_cast<off_t>(offset));
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            if (count == 0) {
                errno = EIO;
            }
            return false;
        }
        bytes += count;
        size -= static_cast<std::size_t>(count);
        offset += static_cast<std::uint64_t>(count);
    }
    return true;
}

bool WriteAll(int descriptor, const void* buffer, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    while (size > 0) {
        ssize_t written = write(descriptor, bytes, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            if (written == 0) {
                errno = EIO;
            }
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace TNux::Posix
