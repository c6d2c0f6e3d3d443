#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include "RunFlow.h"
#include "platform/Win32.h"
#include "platform/posix/Codeset.h"
#include "platform/posix/Module.h"
#include "toolkit/ModuleInstance.h"

#include "TestSupport.h"

namespace fs = std::filesystem;

namespace {

using TestSupport::SelfPath;

TEST(GetModuleHandleA, FindsOnlyTheRunningProgram) {
    HMODULE self = GetModuleHandleA(nullptr);
    ASSERT_NE(self, nullptr);
    EXPECT_EQ(GetModuleHandleA(SelfPath().c_str()), self);
    // Another spelling of the same file names the same module.
    fs::path path = SelfPath();
    std::string respelled = (path.parent_path() / "." / path.filename()).string();
    EXPECT_EQ(GetModuleHandleA(respelled.c_str()), self);

    for (const char* other : {"/nonexistent/genzov", "/dev/null"}) {
        SCOPED_TRACE(other);
        errno = 0;
        EXPECT_EQ(GetModuleHandleA(other), nullptr);
        EXPECT_EQ(errno, ENOENT);
    }
}

TEST(GetModuleFileNameA, GivesThePathCutToTheBuffer) {
    const std::string self = SelfPath();
    char buffer[MAX_PATH];
    ASSERT_LT(self.size(), sizeof buffer);
    EXPECT_EQ(GetModuleFileNameA(nullptr, buffer, sizeof buffer), self.size());
    EXPECT_EQ(std::string(buffer), self);
    EXPECT_EQ(GetModuleFileNameA(GetModuleHandleA(nullptr), buffer, sizeof buffer), self.size());

    errno = 0;
    EXPECT_EQ(GetModuleFileNameA(nullptr, buffer, 5), 4u);
    EXPECT_EQ(std::string(buffer), self.substr(0, 4));
    EXPECT_EQ(errno, ENAMETOOLONG);

    errno = 0;
    EXPECT_EQ(GetModuleFileNameA(nullptr, buffer, 0), 0u);
    EXPECT_EQ(errno, EINVAL);

    TPosixModule unknown("");
    errno = 0;
    EXPECT_EQ(GetModuleFileNameA(&unknown, buffer, sizeof buffer), 0u);
    EXPECT_EQ(errno, ENOENT);
}

TEST(LoadStringA, CutsTheTextToTheLimitLessOne) {
    if (!TNux::Posix::LocaleIsUtf8()) {
        GTEST_SKIP() << "the locale's codeset is not UTF-8";
    }
    const std::string text = "Zov 出力ファイル指定は一つだけなよ\n";
    char buffer[1024];
    EXPECT_EQ(LoadStringA(nullptr, 201, buffer, sizeof buffer), static_cast<int>(text.size()));
    EXPECT_EQ(std::string(buffer), text);
    EXPECT_EQ(LoadStringA(nullptr, 201, buffer, 10), 9);
    EXPECT_EQ(std::string(buffer), text.substr(0, 9));
    EXPECT_EQ(LoadStringA(nullptr, 201, buffer, 1), 0);
    EXPECT_STREQ(buffer, "");

    std::strcpy(buffer, "stale");
    errno = 0;
    EXPECT_EQ(LoadStringA(nullptr, 999, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(errno, ENOENT);

    errno = 0;
    EXPECT_EQ(LoadStringA(nullptr, 201, buffer, 0), 0);
    EXPECT_EQ(errno, EINVAL);
}

TEST(TModuleInstance, HoldsTheHandleItIsGiven) {
    TModuleInstance instance;
    EXPECT_EQ(instance.GetHandle(), nullptr);
    HINSTANCE self = GetModuleHandleA(nullptr);
    EXPECT_EQ(&instance.SetHandle(self), &instance);
    EXPECT_EQ(instance.GetHandle(), self);
    char buffer[MAX_PATH];
    EXPECT_EQ(instance.GetFileName(buffer, sizeof buffer), SelfPath().size());
    EXPECT_EQ(std::string(buffer), SelfPath());
}

TEST(GetModulePath, FillsTheBufferWithTheModulesPath) {
    char buffer[MAX_PATH];
    EXPECT_EQ(GetModulePath(buffer, nullptr), buffer);
    EXPECT_EQ(std::string(buffer), SelfPath());

    const std::string longPath = "/" + std::string(300, 'm');
    const struct {
        const char* what;
        std::string modulePath;
        std::string expected;
    } cases[] = {
        {"unknown path", "", ""},
        {"path longer than the buffer", longPath, longPath.substr(0, MAX_PATH - 1)},
        {"another file", "/opt/tools/genzov", "/opt/tools/genzov"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TPosixModule module(c.modulePath);
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(GetModulePath(buffer, &module), buffer);
        EXPECT_EQ(std::string(buffer), c.expected);
    }
}

}  // namespace
