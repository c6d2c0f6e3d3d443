#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "PropertyMap.h"
#include "PropertySource.h"

#include "TestSupport.h"

namespace {

using TestSupport::Contents;
using TestSupport::Pairs;
using TestSupport::StreamOf;

Pairs Read(const std::string& bytes) {
    std::FILE* stream = StreamOf(bytes);
    EXPECT_NE(stream, nullptr);
    PropertyMap map;
    if (stream != nullptr) {
        ReadProperties(stream, map);
        EXPECT_FALSE(std::ferror(stream));
        std::fclose(stream);
    }
    return Contents(map);
}

struct LineCase {
    const char* what;
    std::string input;
    Pairs expected;
};

TEST(ReadProperties, LineFormat) {
    const std::string v1021(1021, 'v');
    const LineCase cases[] = {
        {"plain", "name=abc\n", {{"name", "abc"}}},
        {"spaces around equals", "name = abc\n", {{"name", "abc"}}},
        {"blanks around key and value", " \t name \t= \t abc \t \n", {{"name", "abc"}}},
        {"inner blanks stay", "v = a  b\n", {{"v", "a  b"}}},
        {"value keeps further equals", "p = q = r\n", {{"p", "q = r"}}},
        {"comment leaves empty value", "color = #ff0000\n", {}},
        {"comment line and trailing comment", "# c\nname = x # note\n", {{"name", "x"}}},
        {"skipped lines", "=x\nx=\nx = \t \nx\n\n", {}},
        {"later value wins", "name = one\nname = two\n", {{"name", "two"}}},
        {"empty value never clears", "name = one\nname =\n", {{"name", "one"}}},
        {"case matters", "name = y\nName = x\n", {{"Name", "x"}, {"name", "y"}}},
        {"form feed is not a blank", "v = a\f\n", {{"v", "a\f"}}},
        {"vertical tab is not a blank", "\vk = v\n", {{"\vk", "v"}}},
        {"lone CR is kept", "v = a\rw = b\n", {{"v", "a\rw = b"}}},
        {"CR at the end of the stream is kept", "v = a\r", {{"v", "a\r"}}},
        {"CR LF line ends", "name = x\r\nb = y\r\n", {{"b", "y"}, {"name", "x"}}},
        {"no final line feed", "a = 1", {{"a", "1"}}},
        {"0x1A ends the source", "a = 1\nb = 2\x1A\nc = 3\n", {{"a", "1"}, {"b", "2"}}},
        {"NUL ends the line text", std::string("a = 1\0b = 2\nc = 3\n", 18), {{"a", "1"}, {"c", "3"}}},
        {"byte-order mark at the start", "\xEF\xBB\xBFname = x\n", {{"name", "x"}}},
        {"byte-order mark later is part of the key",
         "a = 1\n\xEF\xBB\xBF"
         "b = 2\n",
         {{"a", "1"},
          {"\xEF\xBB\xBF"
           "b",
           "2"}}},
        {"high bytes pass and sort last", "\x82\xA0 = \x82\xA2\nz = 1\n", {{"z", "1"}, {"\x82\xA0", "\x82\xA2"}}},
        {"empty source", "", {}},
        {"comments only", "# one\n   # two\n\n", {}},
        {"long line keeps its first 1021 value bytes", "k=" + v1021 + std::string(500, 'v') + "\n", {{"k", v1021}}},
        {"a later part of a long line is a line of its own", "k=" + v1021 + "x=y\n", {{"k", v1021}, {"x", "y"}}},
        {"a comment cuts only its own part", "k=#" + std::string(1020, 'v') + "x=y # z\n", {{"x", "y"}}},
        {"line of exactly 1023 bytes", "k=" + v1021 + "\nz = 1\n", {{"k", v1021}, {"z", "1"}}},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Read(c.input), c.expected);
    }
}

TEST(ReadProperties, LaterStreamsReplaceEarlierValues) {
    PropertyMap map;
    for (const char* text : {"name = first\nvendor = v\n", "name = second\n"}) {
        std::FILE* stream = StreamOf(text);
        ASSERT_NE(stream, nullptr);
        ReadProperties(stream, map);
        std::fclose(stream);
    }
    EXPECT_EQ(Contents(map), (Pairs{{"name", "second"}, {"vendor", "v"}}));
}

TEST(ReadProperties, ReadErrorEndsTheStreamAndShowsInFerror) {
    // A directory opens as a stream on Linux, but every read of it fails.
    std::FILE* stream = std::fopen(std::filesystem::temp_directory_path().c_str(), "r");
    if (stream == nullptr) {
        GTEST_SKIP() << "this system does not open a directory as a stream";
    }
    PropertyMap map;
    ReadProperties(stream, map);
    EXPECT_TRUE(std::ferror(stream));
    EXPECT_EQ(map.Count(), 0u);
    std::fclose(stream);
}

TEST(PropertyText, IsBlankIsTrueForSpaceAndTabOnly) {
    for (int c = -128; c < 128; ++c) {
        SCOPED_TRACE(c);
        EXPECT_EQ(IsBlank(static_cast<char>(c)), c == ' ' || c == '\t');
    }
}

TEST(PropertyText, TrimRight) {
    const struct {
        const char* input;
        const char* expected;
    } cases[] = {
        {"abc \t ", "abc"}, {"   ", ""}, {"", ""}, {" a", " a"}, {"a\r ", "a\r"}, {"a b", "a b"}, {"a\f", "a\f"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        std::string buffer = c.input;
        char* text = buffer.data();
        EXPECT_EQ(TrimRight(text), text);
        EXPECT_STREQ(text, c.expected);
    }
}

TEST(PropertyText, SkipBlanks) {
    const struct {
        const char* input;
        std::size_t skipped;
    } cases[] = {
        {" \t a b", 3}, {"   ", 3}, {"", 0}, {"a ", 0}, {"\ra", 0}, {"\t\t", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        std::string buffer = c.input;
        char* text = buffer.data();
        EXPECT_EQ(SkipBlanks(text), text + c.skipped);
        EXPECT_EQ(buffer, c.input);
    }
}

}  // namespace
