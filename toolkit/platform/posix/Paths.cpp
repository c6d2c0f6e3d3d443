#include <cstring>
#include <string>

#include "platform/Win32.h"
#include "platform/posix/NativePath.h"

namespace TNux::Posix {

std::string NativePath(const char* name) {
    std::string path(name != nullptr ? name : "");
    for (char& c : path) {
        if (c == '\\') {
            c = '/';
        }
    }
    return path;
}

}  // namespace TNux::Posix

using TNux::Posix::IsSeparator;

LPSTR PathFindFileNameA(LPCSTR path) {
    if (path == nullptr) {
        return nullptr;
    }
    const char* name = path;
    for (const char* p = path; *p != '\0'; ++p) {
        // A trailing separator does not start a new name: "dir/" names "dir/".
        if (IsSeparator(*p) && p[1] != '\0' && !IsSeparator(p[1])) {
            name = p + 1;
        }
    }
    return const_cast<LPSTR>(name);
}

LPSTR PathFindExtensionA(LPCSTR path) {
    if (path == nullptr) {
        return nullptr;
    }
    const char* dot = nullptr;
    const char* p = path;
    for (; *p != '\0'; ++p) {
        if (IsSeparator(*p)) {
            dot = nullptr;
        } else if (*p == '.') {
            dot = p;
        }
    }
    return const_cast<LPSTR>(dot != nullptr ? dot : p);
}

BOOL PathRenameExtensionA(LPSTR path, LPCSTR extension) {
    if (path == nullptr || extension == nullptr) {
        return FALSE;
    }
    char* oldExtension = PathFindExtensionA(path);
    std::size_t kept = static_cast<std::size_t>(oldExtension - path);
    if (kept + std::strlen(extension) >= static_cast<std::size_t>(MAX_PATH)) {
        return FALSE;
    }
    std::strcpy(oldExtension, extension);
    return TRUE;
}
