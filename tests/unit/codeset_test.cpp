#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "platform/Win32.h"
#include "platform/posix/Codeset.h"

#include "TestSupport.h"

namespace {

using TNux::Posix::Utf16ToUtf8;
using TNux::Posix::Utf8ToUtf16;

struct ValidCase {
    const char* what;
    std::string utf8;
    std::u16string utf16;
};

const ValidCase kValidCases[] = {
    {"empty", "", u""},
    {"ASCII", "abc", u"abc"},
    {"embedded NUL", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
    {"smallest two-byte", "\xC2\x80", u"\u0080"},
    {"largest two-byte", "\xDF\xBF", u"\u07FF"},
    {"smallest three-byte", "\xE0\xA0\x80", u"\u0800"},
    {"hiragana", "\xE3\x81\x82", u"\u3042"},
    {"before the surrogates", "\xED\x9F\xBF", u"\uD7FF"},
    {"after the surrogates", "\xEE\x80\x80", u"\uE000"},
    {"largest three-byte", "\xEF\xBF\xBF", u"\uFFFF"},
    {"smallest four-byte", "\xF0\x90\x80\x80", u"\U00010000"},
    {"emoji", "\xF0\x9F\x98\x80", u"\U0001F600"},
    {"largest code point", "\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
    {"mixed", "Zov \xE3\x81\x82=\xF0\x9F\x98\x80!", u"Zov \u3042=\U0001F600!"},
};

TEST(Utf8ToUtf16, ConvertsValidText) {
    for (const ValidCase& c : kValidCases) {
        SCOPED_TRACE(c.what);
        std::u16string text = u"stale";
        ASSERT_TRUE(Utf8ToUtf16(c.utf8.data(), c.utf8.size(), text));
        EXPECT_EQ(text, c.utf16);
    }
}

TEST(Utf16ToUtf8, ConvertsValidText) {
    for (const ValidCase& c : kValidCases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8);
    }
}

TEST(Utf8ToUtf16, RejectsInvalidSequences) {
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"overlong NUL", "\xC0\x80"},
        {"overlong two-byte", "\xC1\xBF"},
        {"overlong three-byte", "\xE0\x9F\xBF"},
        {"overlong four-byte", "\xF0\x8F\xBF\xBF"},
        {"high surrogate", "\xED\xA0\x80"},
        {"low surrogate", "\xED\xBF\xBF"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80"},
        {"lead byte F5", "\xF5\x80\x80\x80"},
        {"five-byte form", "\xF8\x88\x80\x80\x80"},
        {"FE", "\xFE"},
        {"FF", "\xFF"},
        {"lone continuation", "a\x80"},
        {"cut two-byte", "a\xC3"},
        {"cut three-byte", "\xE3\x81"},
        {"cut four-byte", "\xF0\x9F\x98"},
        {"continuation missing",
         "\xC3"
         "A"},
        {"continuation missing in the middle", "\xE3\x41\x82"},
        {"Shift_JIS bytes", "\x82\xA0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::u16string text;
        errno = 0;
        EXPECT_FALSE(Utf8ToUtf16(c.bytes.data(), c.bytes.size(), text));
        EXPECT_EQ(errno, EILSEQ);
    }
}

TEST(Utf8ToUtf16, StopsAtTheGivenSize) {
    const char bytes[] = "\xE3\x81\x82\xE3\x81\x84";
    std::u16string text;
    ASSERT_TRUE(Utf8ToUtf16(bytes, 3, text));
    EXPECT_EQ(text, u"\u3042");
    // A size that cuts a character in two leaves an incomplete sequence.
    EXPECT_FALSE(Utf8ToUtf16(bytes, 4, text));
}

TEST(Utf16ToUtf8, LoneSurrogatesBecomeTheReplacementCharacter) {
    const struct {
        const char* what;
        std::u16string text;
        std::string expected;
    } cases[] = {
        {"lone high", std::u16string(1, u'\xD800'), "\xEF\xBF\xBD"},
        {"lone low", std::u16string(1, u'\xDC00'), "\xEF\xBF\xBD"},
        {"high at the end", std::u16string(u"a") + u'\xDBFF', "a\xEF\xBF\xBD"},
        {"pair in the wrong order", std::u16string{u'\xDC00', u'\xD800'}, "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"high before a plain unit", std::u16string{u'\xD800', u'A'},
         "\xEF\xBF\xBD"
         "A"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Utf16ToUtf8(c.text), c.expected);
    }
}

// The ANSI conversions stand on the locale's codeset; under a UTF-8 (or C) locale
// they are plain UTF-8.
using AnsiConversion = TestSupport::Utf8LocaleTest;

TEST_F(AnsiConversion, MultiByteToWideCharCountsAndConverts) {
    const char* text = "Zov \xE3\x81\x82";
    // Size -1 converts the NUL too.
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0), 6);
    WCHAR wide[6] = {};
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, -1, wide, 6), 6);
    EXPECT_EQ(std::u16string(wide, 6), std::u16string(u"Zov \u3042\0", 6));
    // An explicit size leaves the NUL out.
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, 3, wide, 6), 3);
}

TEST_F(AnsiConversion, MultiByteToWideCharFailures) {
    WCHAR wide[4];
    errno = 0;
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, "abcdef", -1, wide, 4), 0);
    EXPECT_EQ(errno, ENOBUFS);
    errno = 0;
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, "\xFF", -1, nullptr, 0), 0);
    EXPECT_EQ(errno, EILSEQ);
    errno = 0;
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, nullptr, -1, nullptr, 0), 0);
    EXPECT_EQ(errno, EINVAL);
}

TEST_F(AnsiConversion, WideCharToMultiByteCountsAndConverts) {
    const WCHAR* wide = u"\u3042!";
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr), 5);
    char text[5] = {};
    BOOL usedDefault = TRUE;
    ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, -1, text, 5, nullptr, &usedDefault), 5);
    EXPECT_EQ(std::string(text, 5), std::string("\xE3\x81\x82!\0", 5));
    EXPECT_FALSE(usedDefault);
    errno = 0;
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, -1, text, 4, nullptr, nullptr), 0);
    EXPECT_EQ(errno, ENOBUFS);
}

}  // namespace
