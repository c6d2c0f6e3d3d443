// Failures of the compressor and of memory after the output file was created:
// the stage reports message 301 and leaves no file. The zlib entry points are
// wrapped at link time (see tests/CMakeLists.txt) and the global operator new is
// replaced, so that a test can make them fail; unarmed, they pass every call on.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>

#include <zlib.h>

#include "OutputStage.h"
#include "PropertyMap.h"
#include "TestSupport.h"

namespace {

// Result that the wrapped calls return instead of compressing; Z_OK passes on.
int forcedInitResult = Z_OK;
int forcedDeflateResult = Z_OK;
int deflateCalls = 0;
// Allocations of at least this many bytes fail while it is not 0.
std::size_t failAllocationsFrom = 0;

}  // namespace

extern "C" {
int __real_deflateInit_(z_streamp stream, int level, const char* version, int size);
int __real_deflate(z_streamp stream, int flush);

int __wrap_deflateInit_(z_streamp stream, int level, const char* version, int size) {
    return forcedInitResult != Z_OK ? forcedInitResult : __real_deflateInit_(stream, level, version, size);
}

int __wrap_deflate(z_streamp stream, int flush) {
    ++deflateCalls;
    return forcedDeflateResult != Z_OK ? forcedDeflateResult : __real_deflate(stream, flush);
}
}

// The replacement pairs malloc with free on purpose; GCC cannot see that.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
namespace {

void* Allocate(std::size_t size) {
    if (failAllocationsFrom != 0 && size >= failAllocationsFrom) {
        return nullptr;
    }
    return std::malloc(size != 0 ? size : 1);
}

void* AllocateOrThrow(std::size_t size) {
    if (void* block = Allocate(size)) {
        return block;
    }
    throw std::bad_alloc();
}

}  // namespace

// Every form is replaced, so that a sanitizer sees one allocator throughout.
void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
#pragma GCC diagnostic pop

namespace {

class CompressorFaultTest : public TestSupport::Utf8ScratchDirTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(Utf8ScratchDirTest::SetUp());
        path = dir + "/out.zov";
        properties.Set("name", "a");
        properties.Set("type", "b");
        properties.Set("vendor", "c");
    }

    void TearDown() override {
        forcedInitResult = Z_OK;
        forcedDeflateResult = Z_OK;
        failAllocationsFrom = 0;
        deflateCalls = 0;
        Utf8ScratchDirTest::TearDown();
    }

    // Runs the stage; expects failure, message 301 with the code, and no file.
    void ExpectFailure(int code) {
        testing::internal::CaptureStdout();
        bool written = WriteContainerFile(path.c_str(), properties);
        std::string printed = testing::internal::GetCapturedStdout();
        failAllocationsFrom = 0;
        EXPECT_FALSE(written);
        EXPECT_EQ(printed, TestSupport::WriteFailedMessage(path, code));
        EXPECT_FALSE(std::filesystem::exists(path));
    }

    std::string path;
    PropertyMap properties;
};

TEST_F(CompressorFaultTest, CompressorThatCannotStart) {
    forcedInitResult = Z_MEM_ERROR;
    ExpectFailure(ENOMEM);
    forcedInitResult = Z_STREAM_ERROR;
    ExpectFailure(EBADMSG);
}

TEST_F(CompressorFaultTest, CompressorErrorsEndTheLoopAtOnce) {
    const struct {
        int result;
        int code;
    } cases[] = {
        {Z_STREAM_ERROR, EBADMSG},
        {Z_MEM_ERROR, ENOMEM},
        // No progress with output room left: calling again would loop for ever.
        {Z_BUF_ERROR, EBADMSG},
        {Z_DATA_ERROR, EBADMSG},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.result);
        forcedDeflateResult = c.result;
        deflateCalls = 0;
        ExpectFailure(c.code);
        EXPECT_EQ(deflateCalls, 1);
    }
}

TEST_F(CompressorFaultTest, MemoryRunningOutWhileCompressing) {
    // The compressor's buffers are the first large blocks the stage asks for.
    failAllocationsFrom = 1024;
    ExpectFailure(ENOMEM);
}

TEST_F(CompressorFaultTest, UnarmedWrappersCompressAsUsual) {
    EXPECT_TRUE(WriteContainerFile(path.c_str(), properties));
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_GE(deflateCalls, 1);
}

}  // namespace
