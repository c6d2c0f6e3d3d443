// Texts between UTF-16, in which the string table is stored, and the locale's
// codeset (LC_CTYPE of the environment), which stands in for the ANSI code page.
// The C and POSIX locales count as UTF-8.
#pragma once

#include <cstddef>
#include <string>

namespace TNux::Posix {

// True when the locale's codeset is UTF-8 (or the locale is C/POSIX).
bool LocaleIsUtf8();

// The UTF-16 text in the locale's codeset. A character the codeset cannot show
// becomes '?', as the ANSI conversion of Windows does.
std::string WideToLocale(const std::u16string& text);

// The UTF-8 text in the locale's codeset, with '?' for what it cannot show.
std::string Utf8ToLocale(const std::string& text);

// The bytes, taken in the locale's codeset, as UTF-16. False (errno EILSEQ) when
// they are not a valid text of that codeset.
bool LocaleToWide(const char* bytes, std::size_t size, std::u16string& text);

// Plain UTF-8 and UTF-16 conversions; invalid input gives false (errno EILSEQ).
bool Utf8ToUtf16(const char* bytes, std::size_t size, std::u16string& text);
std::string Utf16ToUtf8(const std::u16string& text);

}  // namespace TNux::Posix
