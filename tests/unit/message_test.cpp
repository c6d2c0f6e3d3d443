#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "CatalogLine.h"
#include "platform/StringBundle.h"
#include "platform/posix/Codeset.h"
#include "platform/posix/Module.h"
#include "platform/posix/ResourceImage.h"
#include "toolkit/Message.h"

#include "TestSupport.h"

namespace fs = std::filesystem;

namespace {

using TestSupport::CatalogSourcePath;
using TestSupport::SelfPath;
using TestSupport::WithAppendedImage;

struct CatalogText {
    int id;
    std::string text;
};

// The texts the program is built with, read from the resource source beside the tests.
std::vector<CatalogText> BuiltTexts() {
    std::vector<CatalogText> texts;
    std::ifstream in(CatalogSourcePath());
    std::string line;
    while (std::getline(in, line)) {
        TNux::TCatalogFields fields{};
        if (TNux::SplitCatalogLine(line.data(), fields) && TNux::IsStringTableLine(fields)) {
            TNux::DecodeNewlines(fields.text);
            texts.push_back({static_cast<int>(fields.id), fields.text});
        }
    }
    return texts;
}

std::string FailureText(int id, int code) {
    return "string resource(" + std::to_string(id) + ") load Failure(" + std::to_string(code) + ")";
}

template <typename... Arguments>
std::string Printed(int id, Arguments... arguments) {
    testing::internal::CaptureStdout();
    TNux::PrintMessage(id, arguments...);
    return testing::internal::GetCapturedStdout();
}

using MessageTest = TestSupport::Utf8LocaleTest;

TEST_F(MessageTest, EveryBuiltInTextComesFromTheStringTable) {
    std::vector<CatalogText> texts = BuiltTexts();
    ASSERT_EQ(texts.size(), 24u);
    for (const CatalogText& expected : texts) {
        SCOPED_TRACE(expected.id);
        EXPECT_EQ(std::string(TMessage(expected.id).GetText()), expected.text);
        std::unique_ptr<char[]> buffer;
        EXPECT_EQ(TNux::LoadResourceText(nullptr, expected.id, buffer), static_cast<int>(expected.text.size()));
        EXPECT_EQ(std::string(buffer.get()), expected.text);
    }
    EXPECT_STREQ(TMessage(TNux::kMessageOneOutputOnly).GetText(), "Zov 出力ファイル指定は一つだけなよ\n");
}

TEST_F(MessageTest, UnknownIdGivesTheFailureText) {
    // 103 lies in a bundle that has texts; 0, 999 and 4095 in none.
    for (int id : {999, 0, 103, 4095}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(std::string(TMessage(id).GetText()), FailureText(id, ENOENT));
        std::unique_ptr<char[]> buffer;
        EXPECT_EQ(TNux::LoadResourceText(nullptr, id, buffer), 0);
        EXPECT_NE(buffer, nullptr);
    }
}

TEST_F(MessageTest, PrintMessageFormatsTheArguments) {
    EXPECT_EQ(Printed(TNux::kMessageCannotOpenFile, "out.zov", 13), "Zov out.zovが開けないよ(13)\n");
    EXPECT_EQ(Printed(TNux::kMessageCannotWriteResource, 7, "prog", 5),
              "Zov 7のリソースを progへ書き込めなかったよ(5)\n");
    EXPECT_EQ(Printed(TNux::kMessageNoProperties), "Zov プロパティが一つもないよ\n");
    EXPECT_EQ(Printed(TNux::kMessageUsage, "genzov"), " 使い方は「genzov [-oOutputFile] [SourceFiles ...]」だよ\n");
    // Argument texts are data, never formats.
    EXPECT_EQ(Printed(TNux::kMessageUnknownOption, "-%s%n"), "Zov -%s%nなんてオプション知らないよ\n");
}

TEST_F(MessageTest, TextThatAsksForOtherArgumentsIsPrintedAsItStands) {
    EXPECT_EQ(Printed(TNux::kMessageUnknownOption), "Zov %sなんてオプション知らないよ\n");
    EXPECT_EQ(Printed(TNux::kMessageCannotOpenFile, "x"), "Zov %sが開けないよ(%d)\n");
    // The failure text holds no conversion, so it fits any arguments.
    EXPECT_EQ(Printed(999, "x"), FailureText(999, ENOENT));
}

TEST(GetOverridePath, IsTheModulePathWithTheExtensionRc) {
    char path[MAX_PATH];
    ASSERT_TRUE(TNux::GetOverridePath(nullptr, path));
    EXPECT_EQ(std::string(path), SelfPath() + ".rc");

    const struct {
        const char* modulePath;
        const char* expected;
    } cases[] = {
        {"/opt/tools/genzov.exe", "/opt/tools/genzov.rc"},
        {"/opt/tools.d/genzov", "/opt/tools.d/genzov.rc"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.modulePath);
        TPosixModule module(c.modulePath);
        ASSERT_TRUE(TNux::GetOverridePath(&module, path));
        EXPECT_STREQ(path, c.expected);
    }
    TPosixModule unknown("");
    EXPECT_FALSE(TNux::GetOverridePath(&unknown, path));
    EXPECT_STREQ(path, "");
}

class ModuleFileTest : public TestSupport::Utf8ScratchDirTest {
protected:
    // A program file whose appended resources hold these texts in one string table.
    std::string WriteProgram(const std::vector<std::pair<WORD, std::u16string>>& texts) {
        std::map<WORD, TNux::TStringBundle> bundles;
        for (const auto& [id, text] : texts) {
            bundles[TNux::StringBundleOf(id)][static_cast<std::size_t>(TNux::StringIndexOf(id))] = text;
        }
        TNux::Posix::TResourceImage image;
        for (const auto& [bundleId, bundle] : bundles) {
            image.Set(6, bundleId, 0x0411, TNux::EncodeStringBundle(bundle));
        }
        std::string path = dir + "/program";
        std::ofstream(path, std::ios::binary) << WithAppendedImage("code", image.Serialize());
        return path;
    }
};

TEST_F(ModuleFileTest, LoadResourceTextDeliversLongTextsWhole) {
    // Lengths around the 256-byte steps in which the buffer grows.
    const std::size_t lengths[] = {1, 253, 254, 255, 256, 509, 510, 511, 512, 1000, 5000};
    std::vector<std::pair<WORD, std::u16string>> texts;
    WORD id = 16;
    for (std::size_t length : lengths) {
        texts.emplace_back(id++, std::u16string(length, u'x'));
    }
    texts.emplace_back(id, std::u16string(300, u'\u3042'));  // 900 bytes of UTF-8
    TPosixModule module(WriteProgram(texts));

    for (const auto& [textId, text] : texts) {
        std::string expected = TNux::Posix::Utf16ToUtf8(text);
        SCOPED_TRACE(expected.size());
        std::unique_ptr<char[]> buffer;
        ASSERT_EQ(TNux::LoadResourceText(&module, textId, buffer), static_cast<int>(expected.size()));
        EXPECT_EQ(std::string(buffer.get()), expected);
    }
    std::unique_ptr<char[]> buffer;
    EXPECT_EQ(TNux::LoadResourceText(&module, 201, buffer), 0);
}

// The override file beside the program is one file for the whole test program, so
// all of its cases live in this one test, on ids no other test asks for.
TEST_F(MessageTest, OverrideFileBesideTheProgramWins) {
    char overridePath[MAX_PATH];
    ASSERT_TRUE(TNux::GetOverridePath(nullptr, overridePath));
    if (fs::exists(overridePath)) {
        GTEST_SKIP() << overridePath << " already exists";
    }
    struct Cleanup {
        const char* path;
        ~Cleanup() { std::remove(path); }
    } cleanup{overridePath};
    const std::string longPrefix = "0011\t6\t707\t";
    const std::string longText(TNux::kCatalogLineBufferSize - 1 - longPrefix.size(), 'L');
    {
        std::ofstream file(overridePath, std::ios::binary);
        file << "remark line\n"
             << "0011\t6\t700\tfirst\\nline\n"
             << "0011\t6\t700\tsecond\n"
             << "0012\t6\t701\twrong language\n"
             << "0011\t7\t701\twrong type\n"
             << "0011 \t6\t701\tblank before the tab\n"
             << "0011\t6\t701\n"
             << "0011\t6\t702\t\n"
             << "0011\t6\t703\ta\\tb\tc\\n\\n\n"
             << "0011\t6\t304\t%d%n\n"
             << "0011\t6\t705\t%n%s\n"
             << "0011\t6\t706\t<%s>\r\n"
             << longPrefix << longText << "0011\t6\t708\tfrom the rest\n";
    }

    const struct {
        int id;
        std::string text;
    } cases[] = {
        {700, "first\nline"},
        {701, FailureText(701, ENOENT)},
        {702, ""},
        {703, "a\\tb\tc\n\n"},
        {304, "%d%n"},
        {706, "<%s>"},
        {707, longText},
        {708, "from the rest"},
        {TNux::kMessageOneOutputOnly, "Zov 出力ファイル指定は一つだけなよ\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(std::string(TMessage(c.id).GetText()), c.text);
    }

    EXPECT_EQ(Printed(706, "x"), "<x>");
    EXPECT_EQ(Printed(702, "x"), "");
    // An override that does not fit the arguments gives way to the table's text...
    EXPECT_EQ(Printed(304, "x"), "Zov xは空っぽだよ\n");
    // ...and, when the table has none that fits, is printed as it stands.
    EXPECT_EQ(Printed(705, "x"), "%n%s");
}

}  // namespace
