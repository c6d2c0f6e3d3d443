#include "platform/TextStream.h"

#include <cerrno>

#include <sys/stat.h>

#include "platform/posix/NativePath.h"

namespace TNux {

namespace {
constexpr int kEndOfText = 0x1A;
}

std::FILE* OpenTextFile(const char* name) {
    std::FILE* stream = std::fopen(Posix::NativePath(name).c_str(), "r");
    if (stream == nullptr) {
        return nullptr;
    }
    struct stat status;
    if (fstat(fileno(stream), &status) == 0 && S_ISDIR(status.st_mode)) {
        std::fclose(stream);
        errno = EISDIR;
        return nullptr;
    }
    return stream;
}

char* ReadTextLine(char* buffer, int size, std::FILE* stream) {
    if (size <= 0) {
        return nullptr;
    }
    int count = 0;
    flockfile(stream);
    while (count < size - 1) {
        int c = getc_unlocked(stream);
        if (c == EOF) {
            break;
        }
        if (c == kEndOfText) {
            // Leave the marker in the stream so that every later read ends here too.
            ungetc(c, stream);
            break;
        }
        if (c == '\r') {
            int next = getc_unlocked(stream);
            if (next == '\n') {
                c = '\n';
            } else if (next != EOF) {
                ungetc(next, stream);
            }
        }
        buffer[count++] = static_cast<char>(c);
        if (c == '\n') {
            break;
        }
    }
    funlockfile(stream);
    if (count == 0) {
        return nullptr;
    }
    buffer[count] = '\0';
    return buffer;
}

}  // namespace TNux
