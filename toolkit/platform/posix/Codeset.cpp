#include "platform/posix/Codeset.h"

#include <cerrno>
#include <string_view>

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

namespace TNux::Posix {

namespace {

std::string LocaleCodeset() {
    std::string codeset = "UTF-8";
    locale_t locale = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
    if (locale != static_cast<locale_t>(0)) {
        codeset = nl_langinfo_l(CODESET, locale);
        freelocale(locale);
    }
    return codeset;
}

bool IsUtf8Name(std::string_view name) {
    std::string folded;
    for (char c : name) {
        if (c != '-' && c != '_') {
            folded.push_back(static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c));
        }
    }
    // The C and POSIX locales report plain ASCII; they count as UTF-8.
    return folded == "UTF8" || folded == "ANSIX3.41968" || folded == "ASCII" || folded == "USASCII";
}

const std::string& Codeset() {
    static const std::string codeset = LocaleCodeset();
    return codeset;
}

// Converts with iconv. On an invalid or unconvertible sequence, either puts '?' for
// one input character (a whole UTF-8 sequence) and goes on, or fails with EILSEQ.
bool Convert(const char* from, const char* to, const std::string& input, std::string& output, bool substitute) {
    iconv_t converter = iconv_open(to, from);
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        return false;
    }
    output.clear();
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    char buffer[1024];
    bool ok = true;
    while (true) {
        char* outAt = buffer;
        std::size_t outLeft = sizeof buffer;
        std::size_t result = inLeft > 0 ? iconv(converter, &in, &inLeft, &outAt, &outLeft)
                                        : iconv(converter, nullptr, nullptr, &outAt, &outLeft);
        output.append(buffer, static_cast<std::size_t>(outAt - buffer));
        if (result != static_cast<std::size_t>(-1)) {
            if (inLeft == 0) {
                break;
            }
            continue;
        }
        if (errno == E2BIG) {
            continue;
        }
        if (!substitute) {
            ok = false;
            break;
        }
        std::size_t skip = 1;
        while (skip < inLeft && (static_cast<unsigned char>(in[skip]) & 0xC0) == 0x80) {
            ++skip;
        }
        in += skip;
        inLeft -= skip;
        output.push_back('?');
    }
    iconv_close(converter);
    if (!ok) {
        errno = EILSEQ;
    }
    return ok;
}

void PutUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

}  // namespace

bool LocaleIsUtf8() { return IsUtf8Name(Codeset()); }

bool Utf8ToUtf16(const char* bytes, std::size_t size, std::u16string& text) {
    text.clear();
    const auto* at = reinterpret_cast<const unsigned char*>(bytes);
    const auto* end = at + size;
    while (at < end) {
        unsigned char lead = *at;
        int extra = lead < 0x80             ? 0
                    : (lead & 0xE0) == 0xC0 ? 1
                    : (lead & 0xF0) == 0xE0 ? 2
                    : (lead & 0xF8) == 0xF0 ? 3
                                            : -1;
        if (extra < 0 || end - at <= extra) {
            errno = EILSEQ;
            return false;
        }
        char32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int i = 1; i <= extra; ++i) {
            if ((at[i] & 0xC0) != 0x80) {
                errno = EILSEQ;
                return false;
            }
            c = (c << 6) | (at[i] & 0x3F);
        }
        static constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
        if (c < kSmallest[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            errno = EILSEQ;
            return false;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            text.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            text.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            text.push_back(static_cast<char16_t>(c));
        }
        at += extra + 1;
    }
    return true;
}

std::string Utf16ToUtf8(const std::u16string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;  // a lone surrogate
        }
        PutUtf8(out, c);
    }
    return out;
}

std::string Utf8ToLocale(const std::string& text) {
    if (LocaleIsUtf8()) {
        return text;
    }
    std::string converted;
    Convert("UTF-8", Codeset().c_str(), text, converted, true);
    return converted;
}

std::string WideToLocale(const std::u16string& text) { return Utf8ToLocale(Utf16ToUtf8(text)); }

bool LocaleToWide(const char* bytes, std::size_t size, std::u16string& text) {
    if (LocaleIsUtf8()) {
        return Utf8ToUtf16(bytes, size, text);
    }
    std::string utf8;
    if (!Convert(Codeset().c_str(), "UTF-8", std::string(bytes, size), utf8, false)) {
        return false;
    }
    return Utf8ToUtf16(utf8.data(), utf8.size(), text);
}

}  // namespace TNux::Posix
