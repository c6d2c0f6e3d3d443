#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "platform/Win32.h"
#include "platform/posix/Module.h"
#include "platform/posix/ResourceImage.h"
#include "platform/posix/VersionResource.h"
#include "toolkit/VersionInfo.h"

#include "TestSupport.h"

namespace {

TEST(GetVersionText, OfTheProgramItself) {
    HINSTANCE self = GetModuleHandleA(nullptr);
    EXPECT_EQ(TNux::GetVersionText(self, " rel.", " beta", " debug"), "1.00 rel.1");
    EXPECT_EQ(TNux::GetVersionText(self, nullptr, " beta", " debug"), "1.00");
    EXPECT_EQ(TNux::GetVersionText(nullptr, " rel.", " beta", " debug"), "");
}

TEST(TVersionInfo, ReadsTheProgramsVersionResource) {
    TVersionInfo info(GetModuleHandleA(nullptr));
    const VS_FIXEDFILEINFO* fixed = info.GetFixedFileInfo();
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwSignature, TNux::Posix::kFixedFileInfoSignature);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileFlagsMask, 0x3Fu);
    EXPECT_EQ(fixed->dwFileFlags, 0u);

    const char* comments = info.GetStringValue("Comments");
    ASSERT_NE(comments, nullptr);
    EXPECT_STREQ(comments, "");
    const char* version = info.GetStringValue("FileVersion");
    ASSERT_NE(version, nullptr);
    EXPECT_STREQ(version, "1, 0, 0, 0");
    EXPECT_EQ(info.GetStringValue("NoSuchEntry"), nullptr);
}

TEST(TVersionInfo, NoModuleGivesNoBlock) {
    TVersionInfo info(nullptr);
    EXPECT_EQ(info.GetFixedFileInfo(), nullptr);
    EXPECT_EQ(info.GetStringValue("Comments"), nullptr);
}

class VersionTextTest : public TestSupport::ScratchDirTest {
protected:
    // A program file whose appended resources hold only this version resource.
    std::string WriteProgram(const TNux::Posix::TVersionResource& version) {
        TNux::Posix::TResourceImage image;
        image.Set(16, 1, 0x0411, version.Serialize());
        std::string path = dir + "/program";
        std::ofstream(path, std::ios::binary) << TestSupport::WithAppendedImage("code", image.Serialize());
        return path;
    }
};

TEST_F(VersionTextTest, BuiltFromTheFixedPartOnceCommentsIsPresent) {
    const struct {
        const char* what;
        DWORD productMS, productLS, fileMS, flags, mask;
        const char* commentsTable;  // null: no Comments entry
        const char* release;
        const char* beta;
        const char* debug;
        const char* expected;
    } cases[] = {
        {"all marks", 0x00010002, 0x00030004, 0x00050000, VS_FF_DEBUG, 0x3F, "041104b0", " rel.", " beta", " debug",
         "1.23 rel.5 beta4 debug"},
        {"no separator before the third number", 0x0001000A, 0x00050000, 0x00010000, 0, 0x3F, "041104b0", " rel.",
         " beta", " debug", "1.105 rel.1"},
        {"no beta or debug texts", 0x00010002, 0x00030004, 0x00050000, VS_FF_DEBUG, 0x3F, "041104b0", " rel.", nullptr,
         nullptr, "1.23 rel.5"},
        {"no release text", 0x00010002, 0x00030004, 0x00050000, VS_FF_DEBUG, 0x3F, "041104b0", nullptr, " beta",
         " debug", "1.23"},
        {"debug flag outside the mask still counts", 0x00020000, 0, 0x00030000, VS_FF_DEBUG, 0, "041104b0", "-", "b",
         "d", "2.00-3d"},
        {"largest numbers", 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFF0000, 0, 0x3F, "041104b0", " rel.", " beta", "",
         "65535.6553565535 rel.65535 beta65535"},
        {"no Comments entry", 0x00010000, 0, 0x00010000, 0, 0x3F, nullptr, " rel.", " beta", " debug", ""},
        {"Comments in another table", 0x00010000, 0, 0x00010000, 0, 0x3F, "040904b0", " rel.", " beta", " debug", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TNux::Posix::TVersionResource version;
        version.fixed.dwSignature = TNux::Posix::kFixedFileInfoSignature;
        version.fixed.dwProductVersionMS = c.productMS;
        version.fixed.dwProductVersionLS = c.productLS;
        version.fixed.dwFileVersionMS = c.fileMS;
        version.fixed.dwFileFlags = c.flags;
        version.fixed.dwFileFlagsMask = c.mask;
        version.values.emplace_back("\\StringFileInfo\\041104b0\\ProductName", "Gen Zov");
        if (c.commentsTable != nullptr) {
            version.values.emplace_back(std::string("\\StringFileInfo\\") + c.commentsTable + "\\Comments", "");
        }
        TPosixModule module(WriteProgram(version));
        EXPECT_EQ(TNux::GetVersionText(&module, c.release, c.beta, c.debug), c.expected);
    }
}

TEST_F(VersionTextTest, FilesWithoutAVersionResourceGiveTheEmptyText) {
    std::string plain = dir + "/plain";
    std::ofstream(plain, std::ios::binary) << "no resources here";
    for (const std::string& path : {plain, dir + "/missing", std::string()}) {
        SCOPED_TRACE(path);
        TPosixModule module(path);
        EXPECT_EQ(TNux::GetVersionText(&module, " rel.", " beta", " debug"), "");
    }
}

}  // namespace
