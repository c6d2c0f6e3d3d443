// MultiByteToWideChar and WideCharToMultiByte for the ANSI code page, which on POSIX
// systems is the locale's codeset.
#include <cerrno>
#include <cstring>
#include <string>

#include "platform/Win32.h"
#include "platform/posix/Codeset.h"

namespace {

// A size of -1 means a NUL-terminated input whose NUL is converted too.
template <typename Char>
std::basic_string<Char> Input(const Char* text, int size) {
    if (size >= 0) {
        return std::basic_string<Char>(text, static_cast<std::size_t>(size));
    }
    std::size_t length = 0;
    while (text[length] != 0) {
        ++length;
    }
    return std::basic_string<Char>(text, length + 1);
}

template <typename Char>
int Output(const std::basic_string<Char>& converted, Char* out, int outSize) {
    if (outSize == 0) {
        return static_cast<int>(converted.size());
    }
    if (out == nullptr || converted.size() > static_cast<std::size_t>(outSize)) {
        errno = ENOBUFS;
        return 0;
    }
    std::memcpy(out, converted.data(), converted.size() * sizeof(Char));
    return static_cast<int>(converted.size());
}

}  // namespace

int MultiByteToWideChar(UINT, DWORD, LPCSTR text, int size, WCHAR* wide, int wideSize) {
    if (text == nullptr) {
        errno = EINVAL;
        return 0;
    }
    std::string input = Input(text, size);
    std::u16string converted;
    if (!TNux::Posix::LocaleToWide(input.data(), input.size(), converted)) {
        return 0;
    }
    return Output(converted, wide, wideSize);
}

int WideCharToMultiByte(UINT, DWORD, const WCHAR* wide, int wideSize, LPSTR text, int size, LPCSTR, BOOL* usedDefault) {
    if (wide == nullptr) {
        errno = EINVAL;
        return 0;
    }
    std::string converted = TNux::Posix::WideToLocale(Input(wide, wideSize));
    if (usedDefault != nullptr) {
        *usedDefault = FALSE;
    }
    return Output(converted, text, size);
}
