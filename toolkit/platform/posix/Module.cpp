#include "platform/posix/Module.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/StringBundle.h"
#include "platform/posix/Codeset.h"
#include "platform/posix/DescriptorIo.h"
#include "platform/posix/NativePath.h"

#ifdef __APPLE__
#include <mach-o/dyld.h>
#endif

namespace TNux::Posix {

namespace {

std::string ExecutablePath() {
#ifdef __APPLE__
    char raw[PATH_MAX];
    uint32_t size = sizeof raw;
    char resolved[PATH_MAX];
    if (_NSGetExecutablePath(raw, &size) == 0 && realpath(raw, resolved) != nullptr) {
        return resolved;
    }
    return std::string();
#else
    char path[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        return std::string();
    }
    return std::string(path, static_cast<std::size_t>(length));
#endif
}

}  // namespace

TPosixModule& SelfModule() {
    static TPosixModule module(ExecutablePath());
    return module;
}

bool SameFile(const char* first, const char* second) {
    struct stat a;
    struct stat b;
    return stat(NativePath(first).c_str(), &a) == 0 && stat(NativePath(second).c_str(), &b) == 0 &&
           a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace TNux::Posix

const TNux::Posix::TResourceImage& TPosixModule::Resources() {
    if (!loaded) {
        loaded = true;
        int error = errno;
        TNux::Posix::TDescriptor file(path.empty() ? -1 : open(path.c_str(), O_RDONLY | O_CLOEXEC));
        // A program file that cannot be read (execute-only, say) still has the
        // resources it was linked with.
        if (!file.Valid() || !TNux::Posix::ReadAppendedImage(file.Get(), image, nullptr)) {
            image = TNux::Posix::BuiltinImage();
        }
        errno = error;
    }
    return image;
}

HMODULE GetModuleHandleA(LPCSTR moduleName) {
    TPosixModule& self = TNux::Posix::SelfModule();
    if (moduleName == nullptr) {
        return &self;
    }
    if (!self.path.empty() && TNux::Posix::SameFile(moduleName, self.path.c_str())) {
        return &self;
    }
    errno = ENOENT;
    return nullptr;
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
    if (module == nullptr) {
        module = &TNux::Posix::SelfModule();
    }
    if (module->path.empty()) {
        errno = ENOENT;
        return 0;
    }
    if (buffer == nullptr || size == 0) {
        errno = EINVAL;
        return 0;
    }
    // Cut to the buffer, as the Win32 call does, and say so through the last error.
    DWORD length = static_cast<DWORD>(module->path.size());
    if (length >= size) {
        length = size - 1;
        errno = ENAMETOOLONG;
    }
    std::memcpy(buffer, module->path.data(), length);
    buffer[length] = '\0';
    return length;
}

int LoadStringA(HINSTANCE module, UINT id, LPSTR buffer, int bufferSize) {
    if (buffer == nullptr || bufferSize <= 0) {
        errno = EINVAL;
        return 0;
    }
    buffer[0] = '\0';
    if (module == nullptr) {
        module = &TNux::Posix::SelfModule();
    }
    constexpr std::uint16_t kStringType = 6;
    constexpr std::uint16_t kJapanese = 0x0411;
    const auto stringId = static_cast<WORD>(id);
    const WORD bundleId = TNux::StringBundleOf(stringId);
    const TNux::Posix::TResourceImage& resources = module->Resources();
    const TNux::Posix::TResourceEntry* bundle = resources.Find(kStringType, bundleId, kJapanese);
    if (bundle == nullptr) {
        bundle = resources.Find(kStringType, bundleId, 0);
    }
    TNux::TWideText text;
    // An empty text counts as none, as it does for the Win32 loader.
    if (bundle == nullptr ||
        !TNux::DecodeStringBundleText(bundle->data.data(), bundle->data.size(), TNux::StringIndexOf(stringId), text) ||
        text.empty()) {
        errno = ENOENT;
        return 0;
    }
    std::string converted = TNux::Posix::WideToLocale(text);
    std::size_t length = std::min(converted.size(), static_cast<std::size_t>(bufferSize - 1));
    std::memcpy(buffer, converted.data(), length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}
