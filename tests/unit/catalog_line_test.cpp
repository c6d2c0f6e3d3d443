#include <gtest/gtest.h>

#include <string>

#include "CatalogLine.h"

namespace {

TEST(SplitCatalogLine, TakesTheThreeNumbersAndTheRestAsText) {
    const struct {
        const char* line;
        long language;
        long resourceType;
        long id;
        const char* text;
    } cases[] = {
        {"0011\t6\t201\tZov text\\n", 0x11, 6, 201, "Zov text\\n"},
        {"0011\t6\t703\ta\tb", 0x11, 6, 703, "a\tb"},
        {"0011\t6\t702\t", 0x11, 6, 702, ""},
        {"17\t6\t1\tx", 0x17, 6, 1, "x"},
        {"0x11\t6\t1\tx", 0x11, 6, 1, "x"},
        {" 0011\t7\t-5\tx", 0x11, 7, -5, "x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        std::string line = c.line;
        TNux::TCatalogFields fields{};
        ASSERT_TRUE(TNux::SplitCatalogLine(line.data(), fields));
        EXPECT_EQ(fields.language, c.language);
        EXPECT_EQ(fields.resourceType, c.resourceType);
        EXPECT_EQ(fields.id, c.id);
        EXPECT_STREQ(fields.text, c.text);
        EXPECT_GE(fields.text, line.data());
        EXPECT_LE(fields.text, line.data() + line.size());
    }
}

TEST(SplitCatalogLine, RejectsANumberNotDirectlyFollowedByATab) {
    for (const char* text : {"", "0011", "0011\t6\t201", "0011 \t6\t201\tx", "0011\t6 \t201\tx", "0011\t6\t201 \tx",
                             "0011\t6\tx\ty", "zz\t6\t1\tx", "0011,6,201,x"}) {
        SCOPED_TRACE(text);
        std::string line = text;
        TNux::TCatalogFields fields{};
        EXPECT_FALSE(TNux::SplitCatalogLine(line.data(), fields));
    }
}

TEST(IsStringTableLine, WantsTheCatalogLanguageAndTheStringTableType) {
    const struct {
        long language;
        long resourceType;
        bool expected;
    } cases[] = {
        {0x11, 6, true}, {0x12, 6, false}, {0x17, 6, false}, {0x11, 7, false}, {0x11, 16, false}, {0, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.language << "/" << c.resourceType);
        TNux::TCatalogFields fields{c.language, c.resourceType, 1, nullptr};
        EXPECT_EQ(TNux::IsStringTableLine(fields), c.expected);
    }
}

TEST(CutAtNewline, CutsAtTheFirstNewlineOnly) {
    const struct {
        const char* input;
        const char* expected;
    } cases[] = {{"abc\ndef\n", "abc"}, {"abc", "abc"}, {"\n", ""}, {"", ""}, {"a\rb\n", "a\rb"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        std::string line = c.input;
        TNux::CutAtNewline(line.data());
        EXPECT_STREQ(line.c_str(), c.expected);
    }
}

TEST(DecodeNewlines, TurnsEachBackslashNIntoANewline) {
    const struct {
        const char* input;
        const char* expected;
    } cases[] = {
        {"a\\nb", "a\nb"},  {"\\n\\n", "\n\n"}, {"end\\n", "end\n"},
        {"a\\tb", "a\\tb"}, {"\\\\n", "\\\n"},  {"trailing\\", "trailing\\"},
        {"a\tb", "a\tb"},   {"", ""},           {"\\N", "\\N"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        std::string text = c.input;
        TNux::DecodeNewlines(text.data());
        EXPECT_STREQ(text.c_str(), c.expected);
    }
}

TEST(EncodeNewlines, WritesEachNewlineAsBackslashN) {
    const struct {
        const char* input;
        const char* expected;
    } cases[] = {
        {"a\nb", "a\\nb"}, {"\n\n", "\\n\\n"}, {"", ""}, {"a\tb\\c", "a\tb\\c"}, {"\xE3\x81\x82\n", "\xE3\x81\x82\\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(TNux::EncodeNewlines(c.input), c.expected);
    }
}

TEST(CatalogText, EncodedTextDecodesToTheOriginal) {
    for (const char* original : {"Zov %s\n", "\n\nx\n", "tab\there", "no newline"}) {
        SCOPED_TRACE(original);
        std::string encoded = TNux::EncodeNewlines(original);
        EXPECT_EQ(encoded.find('\n'), std::string::npos);
        TNux::DecodeNewlines(encoded.data());
        EXPECT_STREQ(encoded.c_str(), original);
    }
}

}  // namespace
