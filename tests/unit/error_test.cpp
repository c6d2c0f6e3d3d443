#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "toolkit/Error.h"
#include "toolkit/Message.h"

#include "TestSupport.h"

namespace {

// The catalog texts are checked as UTF-8, the codeset of the C and UTF-8 locales.
class FileErrorTest : public TestSupport::Utf8LocaleTest {
protected:
    static std::string Reported(TNux::TError& error) {
        testing::internal::CaptureStdout();
        error.Report();
        return testing::internal::GetCapturedStdout();
    }
};

TEST_F(FileErrorTest, NumberedErrorReportsTheNameAndTheCode) {
    const struct {
        const char* name;
        DWORD code;
        const char* expected;
    } cases[] = {
        {"out.zov", 28, "Zov out.zovへの出力ファイルへの書き込みでエラーが起きたよ(28)\n"},
        {"dir.d\\out.zov", 5, "Zov dir.d\\out.zovへの出力ファイルへの書き込みでエラーが起きたよ(5)\n"},
        {"", 13, "Zov への出力ファイルへの書き込みでエラーが起きたよ(13)\n"},
        {nullptr, 13, "Zov への出力ファイルへの書き込みでエラーが起きたよ(13)\n"},
        {"100%s%n", 0, "Zov 100%s%nへの出力ファイルへの書き込みでエラーが起きたよ(0)\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name != nullptr ? c.name : "(null)");
        TNux::TFileErrorNumber error(c.name, TNux::kMessageWriteFailed, c.code);
        EXPECT_EQ(error.ErrorCode(), c.code);
        EXPECT_EQ(Reported(error), c.expected);
    }
}

TEST_F(FileErrorTest, NameIsCopiedAtConstruction) {
    std::string name = "first.zov";
    TNux::TFileErrorNumber error(name.c_str(), TNux::kMessageWriteFailed, 1);
    name.assign("changed and much longer than before");
    EXPECT_EQ(Reported(error), "Zov first.zovへの出力ファイルへの書き込みでエラーが起きたよ(1)\n");
}

TEST_F(FileErrorTest, PlainErrorReportsItsMessageWithoutArguments) {
    TNux::TFileError error("ignored.zov", TNux::kMessageNoProperties);
    EXPECT_EQ(Reported(error), "Zov プロパティが一つもないよ\n");
    // A message that asks for an argument it is not given is printed as it stands.
    TNux::TFileError unfitting("ignored.zov", TNux::kMessageUnknownOption);
    EXPECT_EQ(Reported(unfitting), "Zov %sなんてオプション知らないよ\n");
}

TEST_F(FileErrorTest, ThrownByPointerAndCaughtAsTheBase) {
    std::string printed;
    try {
        throw new TNux::TFileErrorNumber("thrown.zov", TNux::kMessageWriteFailed, 27);
    } catch (TNux::TError* caught) {
        // Destroyed through the base: the whole object, name included, goes.
        std::unique_ptr<TNux::TError> owner(caught);
        printed = Reported(*owner);
    }
    EXPECT_EQ(printed, "Zov thrown.zovへの出力ファイルへの書き込みでエラーが起きたよ(27)\n");
}

}  // namespace
