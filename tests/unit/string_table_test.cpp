#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "platform/StringBundle.h"
#include "platform/Win32.h"
#include "platform/posix/Module.h"
#include "platform/posix/ResourceImage.h"
#include "toolkit/StringTable.h"

#include "TestSupport.h"

namespace fs = std::filesystem;

namespace {

using TNux::Posix::TResourceImage;

using TestSupport::CannotOpenMessage;
using TestSupport::ReadAll;
using TestSupport::SelfPath;
using TestSupport::StreamOf;
using TestSupport::WithAppendedImage;

std::string StreamContents(std::FILE* stream) {
    std::string text;
    std::rewind(stream);
    char buffer[4096];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, stream)) > 0) {
        text.append(buffer, count);
    }
    return text;
}

// The string table and the version resource are compared as UTF-8, the codeset
// of the C and UTF-8 locales.
class StringTableTest : public TestSupport::Utf8ScratchDirTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(Utf8ScratchDirTest::SetUp());
        program = dir + "/program";
    }

    // Dumps with standard output captured too.
    bool Dump(const std::string& path, int limit, std::string& dumped, std::string& printed) {
        std::FILE* out = std::tmpfile();
        EXPECT_NE(out, nullptr);
        if (out == nullptr) {
            return false;
        }
        testing::internal::CaptureStdout();
        bool result = TNux::DumpStringTable(path.c_str(), limit, out);
        printed = testing::internal::GetCapturedStdout();
        dumped = StreamContents(out);
        std::fclose(out);
        return result;
    }

    bool Load(std::FILE* in, std::string& printed) {
        testing::internal::CaptureStdout();
        bool result = TNux::LoadStringTable(program.c_str(), in);
        printed = testing::internal::GetCapturedStdout();
        return result;
    }

    bool Load(const std::string& input, std::string& printed) {
        std::FILE* in = StreamOf(input);
        EXPECT_NE(in, nullptr);
        bool result = in != nullptr && Load(in, printed);
        if (in != nullptr) {
            std::fclose(in);
        }
        return result;
    }

    // A program file of code bytes and an appended image with an old string table
    // (texts 100 and 201) and a version resource.
    void WriteProgram() {
        TNux::TStringBundle bundle7;
        bundle7[TNux::StringIndexOf(100)] = u"old 100";
        TNux::TStringBundle bundle13;
        bundle13[TNux::StringIndexOf(201)] = u"old 201";
        TResourceImage image;
        image.Set(6, 7, 0x0411, TNux::EncodeStringBundle(bundle7));
        image.Set(6, 13, 0x0411, TNux::EncodeStringBundle(bundle13));
        image.Set(16, 1, 0x0411, "version bytes");
        std::ofstream(program, std::ios::binary) << WithAppendedImage(kCode, image.Serialize());
    }

    // The texts the program file's string table holds, by id.
    std::map<int, std::string> TextsOfProgram() {
        std::map<int, std::string> texts;
        TPosixModule module(program);
        for (int id = 1; id < 3000; ++id) {
            char buffer[1024];
            if (LoadStringA(&module, static_cast<UINT>(id), buffer, sizeof buffer) > 0) {
                texts[id] = buffer;
            }
        }
        return texts;
    }

    static constexpr const char* kCode =
        "\x7F"
        "ELF program code";
    std::string program;
};

TEST_F(StringTableTest, DumpPrintsTheProgramsTableAsCatalogLines) {
    std::string source = TestSupport::CatalogSourcePath();
    std::string expected = ReadAll(source);
    ASSERT_FALSE(expected.empty()) << source;
    std::string dumped;
    std::string printed;
    EXPECT_TRUE(Dump(SelfPath(), 3000, dumped, printed));
    EXPECT_EQ(dumped, expected);
    EXPECT_EQ(printed, "");
}

TEST_F(StringTableTest, DumpLimitCountsIdsBelowIt) {
    const struct {
        int limit;
        std::size_t lines;
    } cases[] = {{-1, 0}, {0, 0}, {1, 0}, {100, 0}, {101, 1}, {201, 4}, {202, 5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.limit);
        std::string dumped;
        std::string printed;
        EXPECT_TRUE(Dump(SelfPath(), c.limit, dumped, printed));
        EXPECT_EQ(static_cast<std::size_t>(std::count(dumped.begin(), dumped.end(), '\n')), c.lines);
    }
}

TEST_F(StringTableTest, DumpOfAModuleThatIsNotLoadedFails) {
    WriteProgram();
    for (const std::string& path : {program, dir + "/missing"}) {
        SCOPED_TRACE(path);
        std::string dumped;
        std::string printed;
        EXPECT_FALSE(Dump(path, 3000, dumped, printed));
        EXPECT_EQ(dumped, "");
        EXPECT_EQ(printed, CannotOpenMessage(path, 0));
    }
}

TEST_F(StringTableTest, DumpToAStreamThatCannotBeWrittenFails) {
    std::FILE* full = std::fopen("/dev/full", "w");
    if (full == nullptr) {
        GTEST_SKIP() << "/dev/full cannot be opened here";
    }
    EXPECT_FALSE(TNux::DumpStringTable(SelfPath().c_str(), 3000, full));
    std::fclose(full);
}

TEST_F(StringTableTest, LoadReplacesTheWholeStringTableAndKeepsTheRest) {
    WriteProgram();
    ASSERT_EQ(chmod(program.c_str(), 0750), 0);
    std::string printed;
    ASSERT_TRUE(
        Load("0011\t6\t201\tnew\\ntext\n"
             "17\t6\t202\tlanguage 17 read as hexadecimal\n"
             "0011\t6\t0\tid zero\n"
             "0011\t6\t203\n"
             "0011\t7\t204\twrong type\n"
             "0012\t6\t205\twrong language\n"
             "remark line\n"
             "0011\t6\t206\ttwo\\n\\nnewlines\r\n"
             "0011\t6\t2999\t\xE3\x81\x82\n",
             printed));
    EXPECT_EQ(printed, "");
    EXPECT_EQ(TextsOfProgram(),
              (std::map<int, std::string>{{201, "new\ntext"}, {206, "two\n\nnewlines"}, {2999, "\xE3\x81\x82"}}));

    std::string bytes = ReadAll(program);
    EXPECT_EQ(bytes.rfind(kCode, 0), 0u);
    TResourceImage image;
    ASSERT_TRUE(TNux::Posix::LoadFileImage(program.c_str(), image));
    const TNux::Posix::TResourceEntry* version = image.Find(16, 1, 0);
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->data, "version bytes");
    EXPECT_EQ(image.Find(6, 7, 0), nullptr);
    EXPECT_EQ(fs::status(program).permissions() & fs::perms::all,
              fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
}

TEST_F(StringTableTest, LoadOfAnEmptyInputLeavesNoTexts) {
    WriteProgram();
    std::string printed;
    EXPECT_TRUE(Load(std::string(), printed));
    EXPECT_EQ(printed, "");
    EXPECT_TRUE(TextsOfProgram().empty());
    TResourceImage image;
    ASSERT_TRUE(TNux::Posix::LoadFileImage(program.c_str(), image));
    EXPECT_NE(image.Find(16, 1, 0), nullptr);
}

TEST_F(StringTableTest, LoadReportsATextThatCannotBeAddedAndGoesOn) {
    WriteProgram();
    std::string printed;
    EXPECT_TRUE(Load("0011\t6\t300\tbad \xFF text\n0011\t6\t301\tgood\n", printed));
    EXPECT_EQ(printed, "Zov 300のリソースを " + program + "へ書き込めなかったよ(" + std::to_string(EILSEQ) + ")\n");
    EXPECT_EQ(TextsOfProgram(), (std::map<int, std::string>{{301, "good"}}));
}

TEST_F(StringTableTest, LoadOfAnInputWithAReadErrorChangesNothing) {
    WriteProgram();
    std::string before = ReadAll(program);
    std::FILE* in = std::fopen(dir.c_str(), "r");  // every read of a directory fails
    if (in == nullptr) {
        GTEST_SKIP() << "this system does not open a directory as a stream";
    }
    std::string printed;
    EXPECT_FALSE(Load(in, printed));
    std::fclose(in);
    EXPECT_EQ(printed, "Zov -からの読み込みでエラーが起きたよ\n");
    EXPECT_EQ(ReadAll(program), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(StringTableTest, LoadIntoAFileThatCannotBeUpdatedFails) {
    const struct {
        const char* what;
        std::string path;
        int error;
    } cases[] = {
        {"missing file", dir + "/missing", ENOENT},
        {"directory", dir, EISDIR},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        program = c.path;
        std::string printed;
        EXPECT_FALSE(Load("0011\t6\t201\ttext\n", printed));
        EXPECT_EQ(printed, CannotOpenMessage(c.path, c.error));
    }
    EXPECT_FALSE(fs::exists(dir + "/missing"));
}

TEST_F(StringTableTest, DumpThenLoadGivesTheSameTexts) {
    std::string dumped;
    std::string printed;
    ASSERT_TRUE(Dump(SelfPath(), 3000, dumped, printed));
    std::ofstream(program, std::ios::binary) << kCode;
    ASSERT_TRUE(Load(dumped, printed));
    EXPECT_EQ(printed, "");

    std::map<int, std::string> selfTexts;
    for (int id = 1; id < 3000; ++id) {
        char buffer[1024];
        if (LoadStringA(nullptr, static_cast<UINT>(id), buffer, sizeof buffer) > 0) {
            selfTexts[id] = buffer;
        }
    }
    EXPECT_EQ(selfTexts.size(), 24u);
    EXPECT_EQ(TextsOfProgram(), selfTexts);
}

}  // namespace
