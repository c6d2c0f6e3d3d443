#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/TextStream.h"

#include "TestSupport.h"

namespace {

using TestSupport::StreamOf;

// Every line ReadTextLine delivers with buffers of the size, until it gives null.
std::vector<std::string> Lines(const std::string& bytes, int size = 1024) {
    std::vector<std::string> lines;
    std::FILE* stream = StreamOf(bytes);
    EXPECT_NE(stream, nullptr);
    if (stream == nullptr) {
        return lines;
    }
    std::vector<char> buffer(static_cast<std::size_t>(size));
    while (TNux::ReadTextLine(buffer.data(), size, stream) != nullptr) {
        lines.emplace_back(buffer.data());
    }
    EXPECT_FALSE(std::ferror(stream));
    std::fclose(stream);
    return lines;
}

using LineList = std::vector<std::string>;

TEST(ReadTextLine, TextModeLines) {
    const struct {
        const char* what;
        std::string input;
        int size;
        LineList expected;
    } cases[] = {
        {"LF lines", "a\nb\n", 1024, {"a\n", "b\n"}},
        {"CR LF becomes LF", "a\r\nb\r\n", 1024, {"a\n", "b\n"}},
        {"lone CR stays", "a\rb\n", 1024, {"a\rb\n"}},
        {"CR at the end of the stream stays", "a\r", 1024, {"a\r"}},
        {"CR CR LF keeps the first CR", "\r\r\n", 1024, {"\r\n"}},
        {"last line without LF", "a\nbc", 1024, {"a\n", "bc"}},
        {"empty stream", "", 1024, {}},
        {"0x1A ends the stream",
         "a\nb\x1A"
         "c\nd\n",
         1024,
         {"a\n", "b"}},
        {"0x1A at the very start",
         "\x1A"
         "abc\n",
         1024,
         {}},
        {"buffer full before the LF", "abcd\n", 3, {"ab", "cd", "\n"}},
        {"CR LF split by a full buffer", "ab\r\ncd", 3, {"ab", "\n", "cd"}},
        {"CR LF as the last two bytes that fit", "a\r\nb", 3, {"a\n", "b"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Lines(c.input, c.size), c.expected);
    }
}

TEST(ReadTextLine, LongLineIsTakenInPartsOfSizeLessOne) {
    LineList lines = Lines(std::string(2000, 'x') + "\n");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], std::string(1023, 'x'));
    EXPECT_EQ(lines[1], std::string(977, 'x') + "\n");
}

TEST(ReadTextLine, EndOfTextKeepsEndingTheStream) {
    std::FILE* stream = StreamOf(
        "a\x1A"
        "b\n");
    ASSERT_NE(stream, nullptr);
    char buffer[16];
    ASSERT_NE(TNux::ReadTextLine(buffer, sizeof buffer, stream), nullptr);
    EXPECT_STREQ(buffer, "a");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(TNux::ReadTextLine(buffer, sizeof buffer, stream), nullptr);
    }
    EXPECT_FALSE(std::ferror(stream));
    std::fclose(stream);
}

TEST(ReadTextLine, NulBytesAreDeliveredInTheLine) {
    std::FILE* stream = StreamOf(std::string("a\0b\n", 4));
    ASSERT_NE(stream, nullptr);
    char buffer[16];
    ASSERT_EQ(TNux::ReadTextLine(buffer, sizeof buffer, stream), buffer);
    EXPECT_EQ(std::string(buffer, 5), std::string("a\0b\n\0", 5));
    std::fclose(stream);
}

TEST(ReadTextLine, NoRoomReadsNothing) {
    std::FILE* stream = StreamOf("abc\n");
    ASSERT_NE(stream, nullptr);
    char buffer[4];
    EXPECT_EQ(TNux::ReadTextLine(buffer, 0, stream), nullptr);
    EXPECT_EQ(TNux::ReadTextLine(buffer, -1, stream), nullptr);
    ASSERT_NE(TNux::ReadTextLine(buffer, sizeof buffer, stream), nullptr);
    EXPECT_STREQ(buffer, "abc");
    std::fclose(stream);
}

TEST(ReadTextLine, ReadErrorGivesNullAndFerror) {
    std::FILE* stream = std::fopen(std::filesystem::temp_directory_path().c_str(), "r");
    if (stream == nullptr) {
        GTEST_SKIP() << "this system does not open a directory as a stream";
    }
    char buffer[16];
    EXPECT_EQ(TNux::ReadTextLine(buffer, sizeof buffer, stream), nullptr);
    EXPECT_TRUE(std::ferror(stream));
    std::fclose(stream);
}

using OpenTextFileTest = TestSupport::ScratchDirTest;

TEST_F(OpenTextFileTest, OpensAFileNamedWithEitherSeparator) {
    std::filesystem::create_directory(dir + "/sub");
    std::ofstream(dir + "/sub/in.txt", std::ios::binary) << "k = v\r\n";
    for (const std::string& name : {dir + "/sub/in.txt", dir + "\\sub\\in.txt"}) {
        SCOPED_TRACE(name);
        std::FILE* stream = TNux::OpenTextFile(name.c_str());
        ASSERT_NE(stream, nullptr);
        char buffer[32];
        ASSERT_NE(TNux::ReadTextLine(buffer, sizeof buffer, stream), nullptr);
        EXPECT_STREQ(buffer, "k = v\n");
        std::fclose(stream);
    }
}

TEST_F(OpenTextFileTest, MissingFileIsRefused) {
    errno = 0;
    EXPECT_EQ(TNux::OpenTextFile((dir + "/missing.txt").c_str()), nullptr);
    EXPECT_EQ(errno, ENOENT);
}

TEST_F(OpenTextFileTest, DirectoryIsRefused) {
    errno = 0;
    EXPECT_EQ(TNux::OpenTextFile(dir.c_str()), nullptr);
    EXPECT_EQ(errno, EISDIR);
}

}  // namespace
