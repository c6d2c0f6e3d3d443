#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/resource.h>
#include <unistd.h>

#include "ContainerWriter.h"
#include "OutputStage.h"
#include "PropertyMap.h"
#include "platform/posix/Codeset.h"
#include "toolkit/File.h"

#include "TestSupport.h"

namespace fs = std::filesystem;

namespace {

using TestSupport::CannotOpenMessage;
using TestSupport::InflateWhole;
using TestSupport::ReadAll;
using TestSupport::U32;
using TestSupport::WriteFailedMessage;

// Standard output sent into a pipe while the object lives; a pipe is not subject
// to the file-size limit that some cases set.
class PipedStdout {
public:
    PipedStdout() {
        std::fflush(stdout);
        if (pipe(ends) == 0) {
            saved = dup(STDOUT_FILENO);
            dup2(ends[1], STDOUT_FILENO);
        }
    }
    ~PipedStdout() { Release(); }

    std::string Release() {
        if (saved < 0) {
            return std::string();
        }
        std::fflush(stdout);
        dup2(saved, STDOUT_FILENO);
        close(saved);
        saved = -1;
        close(ends[1]);
        std::string text;
        char buffer[512];
        ssize_t count;
        while ((count = read(ends[0], buffer, sizeof buffer)) > 0) {
            text.append(buffer, static_cast<std::size_t>(count));
        }
        close(ends[0]);
        return text;
    }

private:
    int ends[2] = {-1, -1};
    int saved = -1;
};

class OutputStageTest : public TestSupport::ScratchDirTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(ScratchDirTest::SetUp());
        properties.Set("name", "a");
        properties.Set("type", "b");
        properties.Set("vendor", "c");
    }

    // Runs the stage with standard output captured.
    bool Run(const std::string& path, std::string& printed) {
        testing::internal::CaptureStdout();
        bool result = WriteContainerFile(path.c_str(), properties);
        printed = testing::internal::GetCapturedStdout();
        return result;
    }

    static void ExpectCompleteContainer(const std::string& path) {
        std::string bytes = ReadAll(path);
        ASSERT_GE(bytes.size(), kContainerOverhead);
        std::uint32_t n = U32(bytes, 48);
        EXPECT_EQ(bytes.size(), kContainerOverhead + n);
        EXPECT_EQ(bytes.substr(0, 29), "Uniform Plim File Format 1.00");
        EXPECT_EQ(U32(bytes, 32), bytes.size() - kFileHeaderSize);
        EXPECT_EQ(bytes.substr(36, 4), std::string("ZOV\0", 4));
        EXPECT_EQ(bytes.substr(bytes.size() - 12, 4), std::string("END\0", 4));
        std::string payload;
        ASSERT_TRUE(InflateWhole(bytes.substr(76, n), payload));
        EXPECT_EQ(payload, std::string("name=a\0type=b\0vendor=c\0", 23));
    }

    static bool TextsAreUtf8() { return TNux::Posix::LocaleIsUtf8(); }

    PropertyMap properties;
};

TEST_F(OutputStageTest, WritesACompleteFileAndPrintsNothing) {
    std::ofstream(dir + "/existing.zov", std::ios::binary) << std::string(10000, 'o');
    for (const std::string& path : {dir + "/out.zov", dir + "/new/deeper/out.zov", dir + "/existing.zov"}) {
        SCOPED_TRACE(path);
        std::string printed;
        EXPECT_TRUE(Run(path, printed));
        EXPECT_EQ(printed, "");
        ExpectCompleteContainer(path);
    }
}

TEST_F(OutputStageTest, OutputThatCannotBeCreatedIsReportedWithMessage300) {
    fs::create_directory(dir + "/taken");
    std::ofstream(dir + "/plain", std::ios::binary) << "plain";
    const struct {
        const char* what;
        std::string path;
        int error;
    } cases[] = {
        {"an existing directory", dir + "/taken", EISDIR},
        {"below a regular file", dir + "/plain/out.zov", ENOTDIR},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string printed;
        EXPECT_FALSE(Run(c.path, printed));
        if (TextsAreUtf8()) {
            EXPECT_EQ(printed, CannotOpenMessage(c.path, c.error));
        }
    }
    EXPECT_TRUE(fs::is_directory(dir + "/taken"));
    EXPECT_EQ(ReadAll(dir + "/plain"), "plain");
}

TEST_F(OutputStageTest, OutputHeldExclusivelyElsewhereIsNeitherCutNorRemoved) {
    std::string path = dir + "/held.zov";
    TFile holder(path.c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder.Handle(), nullptr);
    DWORD written = 0;
    ASSERT_TRUE(holder.Write("held", 4, &written));
    std::string printed;
    EXPECT_FALSE(Run(path, printed));
    if (TextsAreUtf8()) {
        EXPECT_EQ(printed, CannotOpenMessage(path, EWOULDBLOCK));
    }
    EXPECT_EQ(ReadAll(path), "held");
}

TEST_F(OutputStageTest, WriteFailureOnADeviceLeavesTheDevice) {
    if (access("/dev/full", W_OK) != 0) {
        GTEST_SKIP() << "/dev/full is not writable here";
    }
    std::string printed;
    EXPECT_FALSE(Run("/dev/full", printed));
    if (TextsAreUtf8()) {
        EXPECT_EQ(printed, WriteFailedMessage("/dev/full", ENOSPC));
    }
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

TEST_F(OutputStageTest, WriteFailureRemovesTheFileButKeepsTheDirectoryItMade) {
    // A file-size limit just past the header fails the write of the properties chunk.
    std::string path = dir + "/made/out.zov";
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit limited = saved;
    limited.rlim_cur = kFileHeaderSize + 10;
    void (*previousHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    bool result = true;
    std::string printed;
    {
        PipedStdout piped;
        if (setrlimit(RLIMIT_FSIZE, &limited) == 0) {
            result = WriteContainerFile(path.c_str(), properties);
            setrlimit(RLIMIT_FSIZE, &saved);
        }
        printed = piped.Release();
    }
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(result);
    if (TextsAreUtf8()) {
        EXPECT_EQ(printed, WriteFailedMessage(path, EFBIG));
    }
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(fs::is_directory(dir + "/made"));
}

}  // namespace
