// BeginUpdateResourceA, UpdateResourceA and EndUpdateResourceA for program files.
//
// The update gathers the file's resources in memory; the commit writes a new file
// beside the program (its code, then the new image and its trailer), flushes it,
// gives it the program's mode and renames it over the program, so an interrupted
// update never leaves a broken program behind.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Win32.h"
#include "platform/posix/DescriptorIo.h"
#include "platform/posix/NativePath.h"
#include "platform/posix/ResourceImage.h"

namespace {

using TNux::Posix::TDescriptor;
using TNux::Posix::TResourceImage;

struct TResourceUpdate {
    std::string path;  // as the file system sees it
    TResourceImage image;
};

bool IsIntegerResource(LPCSTR name) { return reinterpret_cast<std::uintptr_t>(name) <= 0xFFFF; }

std::string DirectoryOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Copies the first size bytes of one descriptor to another.
bool CopyPrefix(int from, int to, std::uint64_t size) {
    char buffer[1 << 16];
    for (std::uint64_t offset = 0; offset < size;) {
        std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(sizeof buffer, size - offset));
        if (!TNux::Posix::ReadAt(from, buffer, chunk, offset) || !TNux::Posix::WriteAll(to, buffer, chunk)) {
            return false;
        }
        offset += chunk;
    }
    return true;
}

// Writes the program's code and the new image to a new file beside it, then
// renames that over the program. errno tells why when it fails.
bool Commit(const TResourceUpdate& update) {
    TDescriptor program(open(update.path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat status;
    if (!program.Valid() || fstat(program.Get(), &status) != 0) {
        return false;
    }
    TResourceImage old;
    std::uint64_t codeSize = 0;
    TNux::Posix::ReadAppendedImage(program.Get(), old, &codeSize);

    std::string temporary = update.path + ".XXXXXX";
    TDescriptor replacement(mkstemp(&temporary[0]));
    if (!replacement.Valid()) {
        return false;
    }
    std::string image = update.image.Serialize();
    std::string trailer = TNux::Posix::MakeTrailer(image.size());
    bool written = CopyPrefix(program.Get(), replacement.Get(), codeSize) &&
                   TNux::Posix::WriteAll(replacement.Get(), image.data(), image.size()) &&
                   TNux::Posix::WriteAll(replacement.Get(), trailer.data(), trailer.size()) &&
                   fchmod(replacement.Get(), status.st_mode & 07777) == 0 && fsync(replacement.Get()) == 0 &&
                   replacement.Close();
    if (written && rename(temporary.c_str(), update.path.c_str()) == 0) {
        return true;
    }
    int error = errno;
    unlink(temporary.c_str());
    errno = error;
    return false;
}

// The program file has to be readable now, and replaceable at the commit:
// writable itself (a running program reports ETXTBSY, which the rename
// sidesteps) and in a writable directory.
bool CanReplace(const std::string& path) {
    TDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat status;
    if (!file.Valid() || fstat(file.Get(), &status) != 0) {
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        errno = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
        return false;
    }
    return (access(path.c_str(), W_OK) == 0 || errno == ETXTBSY) && access(DirectoryOf(path).c_str(), W_OK | X_OK) == 0;
}

}  // namespace

HANDLE BeginUpdateResourceA(LPCSTR path, BOOL deleteExistingResources) {
    if (path == nullptr) {
        errno = EINVAL;
        return nullptr;
    }
    std::string native = TNux::Posix::NativePath(path);
    if (!CanReplace(native)) {
        return nullptr;
    }
    auto* update = new (std::nothrow) TResourceUpdate{native, TResourceImage()};
    if (update == nullptr) {
        errno = ENOMEM;
        return nullptr;
    }
    if (!deleteExistingResources) {
        // A file without resources of its own starts from none.
        TNux::Posix::LoadFileImage(native.c_str(), update->image);
    }
    return update;
}

BOOL UpdateResourceA(HANDLE handle, LPCSTR type, LPCSTR name, WORD language, LPVOID data, DWORD size) {
    auto* update = static_cast<TResourceUpdate*>(handle);
    if (update == nullptr || !IsIntegerResource(type) || !IsIntegerResource(name)) {
        errno = EINVAL;
        return FALSE;
    }
    auto typeId = static_cast<std::uint16_t>(reinterpret_cast<std::uintptr_t>(type));
    auto nameId = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(name));
    if (data == nullptr) {
        if (size != 0) {
            errno = EINVAL;
            return FALSE;
        }
        update->image.Remove(typeId, nameId, language);
        return TRUE;
    }
    try {
        update->image.Set(typeId, nameId, language, std::string(static_cast<const char*>(data), size));
    } catch (const std::bad_alloc&) {
        errno = ENOMEM;
        return FALSE;
    }
    return TRUE;
}

BOOL EndUpdateResourceA(HANDLE handle, BOOL discard) {
    auto* update = static_cast<TResourceUpdate*>(handle);
    if (update == nullptr) {
        errno = EINVAL;
        return FALSE;
    }
    bool committed = discard != FALSE || Commit(*update);
    int error = errno;
    delete update;
    errno = error;
    return committed ? TRUE : FALSE;
}
