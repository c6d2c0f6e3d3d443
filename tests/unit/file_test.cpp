#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "platform/Win32.h"
#include "platform/posix/FileHandle.h"
#include "toolkit/File.h"
#include "toolkit/Handle.h"

#include "TestSupport.h"

namespace fs = std::filesystem;

namespace {

using TestSupport::ReadAll;
using TestSupport::SelfPath;

// A scratch directory that is also the current directory while the test runs, so
// that relative names stay inside it.
class FileTest : public TestSupport::ScratchDirTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(ScratchDirTest::SetUp());
        previous = fs::current_path();
        fs::current_path(dir);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::current_path(previous, ignored);
        ScratchDirTest::TearDown();
    }

    std::string Path(const std::string& name) const { return dir + "/" + name; }

    static HANDLE OpenForWriting(const std::string& path, DWORD shareMode = 0) {
        HANDLE handle =
            CreateFileA(path.c_str(), GENERIC_WRITE, shareMode, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
    }

    // True when nobody holds the file exclusively (so an earlier holder has closed it).
    static bool Available(const std::string& path) {
        TFile probe(path.c_str(), GENERIC_READ, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        return probe.Handle() != nullptr;
    }

    fs::path previous;
};

TEST_F(FileTest, PlainHandleNeitherOwnsNorClosesItsHandle) {
    THandle none;
    EXPECT_EQ(none.Handle(), nullptr);

    HANDLE raw = OpenForWriting(Path("held"));
    ASSERT_NE(raw, nullptr);
    {
        THandle holder(raw);
        EXPECT_EQ(holder.Handle(), raw);
        EXPECT_EQ(&holder.Attach(nullptr), &holder);
        EXPECT_EQ(holder.Handle(), nullptr);
        holder.Attach(raw);
    }
    // Still open after the THandle is gone: its close succeeds now.
    EXPECT_TRUE(CloseHandle(raw));
}

TEST_F(FileTest, KernelHandleCloseSemantics) {
    TKernelHandle none;
    EXPECT_TRUE(none.Close());
    EXPECT_TRUE(none.Close());

    TKernelHandle owner(OpenForWriting(Path("owned"), 0));
    ASSERT_NE(owner.Handle(), nullptr);
    EXPECT_FALSE(Available(Path("owned")));
    EXPECT_TRUE(owner.Close());
    EXPECT_EQ(owner.Handle(), nullptr);
    EXPECT_TRUE(Available(Path("owned")));
    EXPECT_TRUE(owner.Close());
}

TEST_F(FileTest, KernelHandleClosesOnDestructionAndOnAttach) {
    {
        TKernelHandle owner(OpenForWriting(Path("first"), 0));
        ASSERT_NE(owner.Handle(), nullptr);
        HANDLE second = OpenForWriting(Path("second"), 0);
        ASSERT_NE(second, nullptr);
        EXPECT_EQ(&owner.Attach(second), &owner);
        EXPECT_EQ(owner.Handle(), second);
        EXPECT_TRUE(Available(Path("first")));
        EXPECT_FALSE(Available(Path("second")));
    }
    EXPECT_TRUE(Available(Path("second")));
}

TEST_F(FileTest, RefusedCloseKeepsTheHandleUntilALaterClose) {
    // A descriptor number far beyond any open file: the platform refuses to close it.
    auto* broken = new TNux::Posix::TFileHandle{INT_MAX};
    TKernelHandle owner(broken);
    EXPECT_FALSE(owner.Close());
    EXPECT_EQ(owner.Handle(), broken);
    // The refused close released the descriptor; the next one lets go of the handle.
    EXPECT_TRUE(owner.Close());
    EXPECT_EQ(owner.Handle(), nullptr);

    // A reopen after a refused close: Attach lets go of the old handle and stores
    // the new one.
    owner.Attach(new TNux::Posix::TFileHandle{INT_MAX});
    EXPECT_FALSE(owner.Close());
    HANDLE replacement = OpenForWriting(Path("replacement"));
    ASSERT_NE(replacement, nullptr);
    EXPECT_EQ(&owner.Attach(replacement), &owner);
    EXPECT_EQ(owner.Handle(), replacement);
}

TEST_F(FileTest, OpenMakesMissingParentDirectories) {
    const struct {
        const char* what;
        std::string name;
        std::string madeFile;
    } cases[] = {
        {"one missing level, absolute", Path("one/out.zov"), Path("one/out.zov")},
        {"three missing levels, absolute", Path("a/b/c/out.zov"), Path("a/b/c/out.zov")},
        {"backslash separators", dir + "\\x\\y\\out.zov", Path("x/y/out.zov")},
        {"one missing level, relative", "rel/out.zov", Path("rel/out.zov")},
        {"relative under an existing first directory", "one/two/out.zov", Path("one/two/out.zov")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TFile file(c.name.c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(file.Handle(), nullptr);
        EXPECT_TRUE(fs::is_regular_file(c.madeFile));
    }
}

TEST_F(FileTest, OpenNeverMakesTheFirstNameOfARelativePath) {
    errno = 0;
    TFile file("missing/sub/out.zov", GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(file.Handle(), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ENOENT));
    EXPECT_TRUE(fs::is_empty(dir));
}

TEST_F(FileTest, FailedCreationLeavesTheErrorOfTheLastAttempt) {
    fs::create_directory(Path("taken"));
    const struct {
        const char* what;
        std::string name;
        DWORD error;
    } cases[] = {
        {"a directory, named without a separator", "taken", EISDIR},
        {"a directory, named with separators", Path("taken"), EISDIR},
        {"below a regular file", Path("plain/out.zov"), ENOTDIR},
    };
    std::ofstream(Path("plain")) << "x";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetLastError(0);
        TFile file(c.name.c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_EQ(file.Handle(), nullptr);
        EXPECT_EQ(GetLastError(), c.error);
    }
    EXPECT_TRUE(fs::is_directory(Path("taken")));
    EXPECT_TRUE(fs::is_regular_file(Path("plain")));
}

TEST_F(FileTest, OpenExistingLooksBesideTheProgram) {
    fs::path programDir = fs::path(SelfPath()).parent_path();
    std::string unique = "genzov-unit-fallback-" + std::to_string(getpid());
    std::string subdir = unique + "-dir";
    struct Cleanup {
        fs::path a, b;
        ~Cleanup() {
            std::error_code ignored;
            fs::remove(a, ignored);
            fs::remove_all(b, ignored);
        }
    } cleanup{programDir / unique, programDir / subdir};
    std::ofstream(programDir / unique, std::ios::binary) << "beside the program";
    fs::create_directory(programDir / subdir);
    std::ofstream(programDir / subdir / "inner.txt", std::ios::binary) << "below the program";

    const struct {
        std::string name;
        std::string contents;
    } cases[] = {
        {unique, "beside the program"},
        {subdir + "/inner.txt", "below the program"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(fs::exists(c.name));  // not in the current directory
        TFile file(c.name.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file.Handle(), nullptr);
        char buffer[64] = {};
        DWORD read = 0;
        ASSERT_TRUE(ReadFile(file.Handle(), buffer, sizeof buffer - 1, &read, nullptr));
        EXPECT_EQ(std::string(buffer, read), c.contents);
    }
}

TEST_F(FileTest, OpenExistingOfAFileThatIsNowhereFailsAndMakesNothing) {
    for (std::string name :
         {std::string("nowhere-") + std::to_string(getpid()), std::string("nodir/nofile"), Path("nodir/nofile")}) {
        SCOPED_TRACE(name);
        SetLastError(0);
        TFile file(name.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_EQ(file.Handle(), nullptr);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ENOENT));
    }
    EXPECT_TRUE(fs::is_empty(dir));
}

TEST_F(FileTest, ReopenClosesTheHeldFileFirst) {
    TFile file(Path("first").c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file.Handle(), nullptr);
    EXPECT_FALSE(Available(Path("first")));

    EXPECT_EQ(&file.Open(Path("second").c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr),
              &file);
    ASSERT_NE(file.Handle(), nullptr);
    EXPECT_TRUE(Available(Path("first")));
    EXPECT_FALSE(Available(Path("second")));

    // A reopen that fails leaves no handle, and the earlier file closed.
    file.Open(Path("missing").c_str(), GENERIC_READ, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(file.Handle(), nullptr);
    EXPECT_TRUE(Available(Path("second")));
}

TEST_F(FileTest, ShareModeDecidesWhetherASecondOpenerGetsIn) {
    const struct {
        const char* what;
        DWORD firstShare;
        DWORD secondShare;
        bool secondOpens;
    } cases[] = {
        {"exclusive, then exclusive", 0, 0, false},
        {"exclusive, then sharing reads", 0, FILE_SHARE_READ, false},
        {"sharing reads, then exclusive", FILE_SHARE_READ, 0, false},
        {"sharing reads twice", FILE_SHARE_READ, FILE_SHARE_READ, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string path = Path("shared");
        TFile first(path.c_str(), GENERIC_WRITE, c.firstShare, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(first.Handle(), nullptr);
        DWORD written = 0;
        ASSERT_TRUE(first.Write("hello", 5, &written));

        TFile second(path.c_str(), GENERIC_WRITE, c.secondShare, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_EQ(second.Handle() != nullptr, c.secondOpens);
        if (!c.secondOpens) {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(EWOULDBLOCK));
            // The refused opener must not have cut the held file.
            EXPECT_EQ(ReadAll(path), "hello");
        }
        second.Close();
        first.Close();
        TFile after(path.c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(after.Handle(), nullptr);
    }
}

TEST_F(FileTest, SizeSeekWriteAndType) {
    TFile file(Path("data").c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file.Handle(), nullptr);
    EXPECT_EQ(file.Type(), FILE_TYPE_DISK);
    DWORD high = 99;
    EXPECT_EQ(file.Size(&high), 0u);
    EXPECT_EQ(high, 0u);

    DWORD written = 0;
    ASSERT_TRUE(file.Write("0123456789", 10, &written));
    EXPECT_EQ(written, 10u);
    EXPECT_EQ(file.Size(), 10u);
    EXPECT_EQ(file.Seek(0, FILE_CURRENT), 10u);
    EXPECT_EQ(file.Seek(0, FILE_BEGIN), 0u);
    ASSERT_TRUE(file.Write("ab", 2, &written));
    EXPECT_EQ(file.Seek(-3, FILE_END), 7u);
    ASSERT_TRUE(file.Write("XYZ", 3, &written));
    LONG distanceHigh = 0;
    EXPECT_EQ(file.Seek(4, FILE_BEGIN, &distanceHigh), 4u);
    EXPECT_EQ(distanceHigh, 0);
    EXPECT_TRUE(file.Write("", 0, &written));
    EXPECT_EQ(written, 0u);
    EXPECT_TRUE(file.Close());
    EXPECT_EQ(ReadAll(Path("data")), "ab23456XYZ");
}

TEST_F(FileTest, OperationsWithoutAHandleFail) {
    TFile file(Path("missing").c_str(), GENERIC_READ, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_EQ(file.Handle(), nullptr);
    EXPECT_EQ(file.Size(), INVALID_FILE_SIZE);
    EXPECT_EQ(file.Seek(0, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(file.Type(), static_cast<DWORD>(FILE_TYPE_UNKNOWN));
    DWORD written = 7;
    EXPECT_FALSE(file.Write("x", 1, &written));
    EXPECT_EQ(written, 0u);
    EXPECT_TRUE(file.Close());
}

TEST_F(FileTest, WriteToAFullDeviceFails) {
    TFile full("/dev/full", GENERIC_WRITE, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (full.Handle() == nullptr) {
        GTEST_SKIP() << "/dev/full cannot be opened here";
    }
    EXPECT_EQ(full.Type(), FILE_TYPE_CHAR);
    DWORD written = 7;
    EXPECT_FALSE(full.Write("abc", 3, &written));
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ENOSPC));
}

TEST_F(FileTest, MakeDirectories) {
    EXPECT_TRUE(MakeDirectories(Path("p/q/r").c_str()));
    EXPECT_TRUE(fs::is_directory(Path("p/q/r")));
    EXPECT_TRUE(MakeDirectories((dir + "\\s\\t").c_str()));
    EXPECT_TRUE(fs::is_directory(Path("s/t")));
    EXPECT_TRUE(MakeDirectories("single"));
    EXPECT_TRUE(fs::is_directory(Path("single")));
    EXPECT_TRUE(MakeDirectories("single/inner"));
    EXPECT_TRUE(fs::is_directory(Path("single/inner")));
}

TEST_F(FileTest, MakeDirectoriesRefusals) {
    fs::create_directory(Path("exists"));
    std::string tooLong = dir;
    while (tooLong.size() < MAX_PATH + 20) {
        tooLong += "/long-level";
    }
    const struct {
        const char* what;
        std::string path;
    } cases[] = {
        {"an existing directory", Path("exists")},
        {"an existing relative directory", "exists"},
        {"relative, two levels below a missing first name", "missing/sub"},
        {"too long for the path buffer", tooLong},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(MakeDirectories(c.path.c_str()));
    }
    EXPECT_FALSE(fs::exists(Path("missing")));
    EXPECT_FALSE(fs::exists(Path("long-level")));
    EXPECT_TRUE(fs::is_empty(Path("exists")));
}

}  // namespace
