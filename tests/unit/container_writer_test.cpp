#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ContainerWriter.h"
#include "PropertyMap.h"
#include "platform/Md5.h"
#include "platform/posix/Codeset.h"
#include "toolkit/Error.h"
#include "toolkit/File.h"

#include "TestSupport.h"

namespace {

using TestSupport::InflateWhole;
using TestSupport::ReadAll;
using TestSupport::U32;
using TestSupport::WriteFailedMessage;

std::string Md5(const std::string& bytes) {
    unsigned char digest[TNux::kMd5DigestSize];
    TNux::ComputeMd5(bytes.data(), bytes.size(), digest);
    return std::string(reinterpret_cast<const char*>(digest), sizeof digest);
}

// Checks a properties chunk at the offset; gives its inflated payload.
void CheckPropertiesChunk(const std::string& bytes, std::size_t at, std::string& payload) {
    ASSERT_GE(bytes.size(), at + kPropertiesChunkHeaderSize);
    EXPECT_EQ(bytes.substr(at, 4), std::string("ZOV\0", 4));
    EXPECT_EQ(U32(bytes, at + 4), 0xFFA9B0A5u);
    std::uint32_t compressedSize = U32(bytes, at + 12);
    EXPECT_EQ(U32(bytes, at + 8), 28 + compressedSize);
    EXPECT_EQ(U32(bytes, at + 16), 0u);
    ASSERT_GE(bytes.size(), at + kPropertiesChunkHeaderSize + compressedSize);
    std::string compressed = bytes.substr(at + kPropertiesChunkHeaderSize, compressedSize);
    EXPECT_EQ(bytes.substr(at + 20, 16), Md5(compressed));
    ASSERT_GE(compressed.size(), 2u);
    EXPECT_EQ(compressed.substr(0, 2), "\x78\x9C");
    ASSERT_TRUE(InflateWhole(compressed, payload));
    EXPECT_EQ(U32(bytes, at + 36), payload.size());
}

class ContainerWriterTest : public TestSupport::ScratchDirTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(ScratchDirTest::SetUp());
        path = dir + "/out.zov";
    }

    std::unique_ptr<TFile> Create() {
        auto file =
            std::make_unique<TFile>(path.c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(file->Handle(), nullptr);
        return file;
    }

    // The whole container for the properties, as the output stage writes it.
    std::string WriteContainer(const PropertyMap& properties) {
        std::unique_ptr<TFile> file = Create();
        EXPECT_TRUE(WriteFileHeader(*file, path.c_str()));
        EXPECT_TRUE(WritePropertiesChunk(*file, path.c_str(), properties));
        EXPECT_TRUE(WriteEndChunk(*file, path.c_str()));
        EXPECT_TRUE(WriteFileHeader(*file, path.c_str()));
        EXPECT_TRUE(file->Close());
        return ReadAll(path);
    }

    std::string path;
};

TEST_F(ContainerWriterTest, SmallestValidSetGivesTheDocumentedLayout) {
    PropertyMap properties;
    properties.Set("vendor", "c");
    properties.Set("name", "a");
    properties.Set("type", "b");
    std::string bytes = WriteContainer(properties);

    ASSERT_GE(bytes.size(), kContainerOverhead);
    const std::size_t n = bytes.size() - kContainerOverhead;
    EXPECT_EQ(bytes.substr(0, 32), std::string("Uniform Plim File Format 1.00\0\0\0", 32));
    EXPECT_EQ(U32(bytes, 32), 52 + n);

    std::string payload;
    CheckPropertiesChunk(bytes, kFileHeaderSize, payload);
    EXPECT_EQ(U32(bytes, 48), n);
    EXPECT_EQ(payload, std::string("name=a\0type=b\0vendor=c\0", 23));

    const std::size_t end = 76 + n;
    EXPECT_EQ(bytes.substr(end, 4), std::string("END\0", 4));
    EXPECT_EQ(U32(bytes, end + 4), 0xFFBBB1BAu);
    EXPECT_EQ(U32(bytes, end + 8), 0u);
    EXPECT_EQ(bytes.size(), end + kChunkFrameSize);
}

TEST_F(ContainerWriterTest, PayloadHoldsOneRecordPerPropertyInKeyOrder) {
    const struct {
        const char* what;
        std::vector<std::pair<std::string, std::string>> sets;
        std::string payload;
    } cases[] = {
        {"no properties", {}, ""},
        {"case-distinct keys", {{"name", "y"}, {"Name", "x"}}, std::string("Name=x\0name=y\0", 14)},
        {"value holding equals", {{"k", "a=b"}}, std::string("k=a=b\0", 6)},
        {"high bytes unchanged",
         {{"\x82\xA0", "\x82\xA2\xFF"}, {"z", "1"}},
         std::string("z=1\0\x82\xA0=\x82\xA2\xFF\0", 11)},
        {"replaced value", {{"k", "old"}, {"k", "new"}}, std::string("k=new\0", 6)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PropertyMap properties;
        for (const auto& [key, value] : c.sets) {
            properties.Set(key, value);
        }
        std::unique_ptr<TFile> file = Create();
        EXPECT_TRUE(WritePropertiesChunk(*file, path.c_str(), properties));
        ASSERT_TRUE(file->Close());
        std::string bytes = ReadAll(path);
        std::string payload;
        CheckPropertiesChunk(bytes, 0, payload);
        EXPECT_EQ(payload, c.payload);
        EXPECT_EQ(bytes.size(), kPropertiesChunkHeaderSize + U32(bytes, 12));
    }
}

TEST_F(ContainerWriterTest, CompressedPayloadLongerThanOneBufferStepIsStoredExactly) {
    // Values of pseudo-random letters compress poorly, so the compressed form
    // spans many 1024-byte steps.
    PropertyMap properties;
    std::uint32_t state = 1;
    for (int i = 0; i < 400; ++i) {
        std::string value;
        for (int j = 0; j < 100; ++j) {
            state = state * 1103515245u + 12345u;
            value.push_back(static_cast<char>('!' + (state >> 16) % 90));
        }
        properties.Set("key" + std::to_string(i), value);
    }
    std::unique_ptr<TFile> file = Create();
    EXPECT_TRUE(WritePropertiesChunk(*file, path.c_str(), properties));
    ASSERT_TRUE(file->Close());
    std::string bytes = ReadAll(path);
    std::string payload;
    CheckPropertiesChunk(bytes, 0, payload);
    std::uint32_t n = U32(bytes, 12);
    EXPECT_GT(n, 8 * kCompressedBufferStep);
    EXPECT_EQ(bytes.size(), kPropertiesChunkHeaderSize + n);
    std::size_t expectedSize = 0;
    properties.Visit(
        [&](std::string_view key, std::string_view value) { expectedSize += key.size() + value.size() + 2; });
    EXPECT_EQ(payload.size(), expectedSize);
}

TEST_F(ContainerWriterTest, FileHeaderCarriesTheLengthAfterItselfAndLeavesThePositionAt36) {
    const struct {
        const char* what;
        std::size_t existing;
        std::uint32_t length;
        std::size_t sizeAfter;
    } cases[] = {
        {"empty file", 0, 0, 36},
        {"shorter than a header", 20, 0, 36},
        {"exactly a header", 36, 0, 36},
        {"longer file", 100, 64, 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<TFile> file = Create();
        std::string existing(c.existing, 'x');
        DWORD written = 0;
        ASSERT_TRUE(file->Write(existing.data(), static_cast<DWORD>(existing.size()), &written));
        EXPECT_TRUE(WriteFileHeader(*file, path.c_str()));
        EXPECT_EQ(file->Seek(0, FILE_CURRENT), 36u);
        ASSERT_TRUE(file->Close());
        std::string bytes = ReadAll(path);
        ASSERT_EQ(bytes.size(), c.sizeAfter);
        EXPECT_EQ(bytes.substr(0, 32), std::string("Uniform Plim File Format 1.00\0\0\0", 32));
        EXPECT_EQ(U32(bytes, 32), c.length);
        EXPECT_EQ(bytes.substr(36), std::string(c.sizeAfter - 36, 'x'));
    }
}

TEST_F(ContainerWriterTest, SamePropertiesGiveIdenticalFiles) {
    PropertyMap properties;
    properties.Set("name", "genzov");
    properties.Set("vendor", "\x83\x65\x83\x58\x83\x67");
    properties.Set("type", "tool");
    std::string first = WriteContainer(properties);
    std::string second = WriteContainer(properties);
    EXPECT_EQ(first, second);
}

using Writer = bool (*)(TFile&, const char*, const PropertyMap&);

TEST_F(ContainerWriterTest, EveryFailedWriteIsThrownAsAFileErrorNumber) {
    const struct {
        const char* what;
        Writer write;
    } writers[] = {
        {"file header", [](TFile& f, const char* p, const PropertyMap&) { return WriteFileHeader(f, p); }},
        {"properties chunk",
         [](TFile& f, const char* p, const PropertyMap& m) { return WritePropertiesChunk(f, p, m); }},
        {"end chunk", [](TFile& f, const char* p, const PropertyMap&) { return WriteEndChunk(f, p); }},
    };
    Create();  // the file to open read-only below
    PropertyMap properties;
    properties.Set("name", "x");
    const struct {
        const char* what;
        std::string path;
        DWORD access;
        DWORD error;
    } targets[] = {
        {"file opened for reading", path, GENERIC_READ, EBADF},
        {"full device", "/dev/full", GENERIC_WRITE, ENOSPC},
    };
    for (const auto& target : targets) {
        for (const auto& writer : writers) {
            SCOPED_TRACE(std::string(target.what) + ", " + writer.what);
            TFile file(target.path.c_str(), target.access, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
            if (file.Handle() == nullptr) {
                ADD_FAILURE() << "cannot open " << target.path;
                continue;
            }
            std::unique_ptr<TNux::TError> caught;
            try {
                writer.write(file, target.path.c_str(), properties);
            } catch (TNux::TError* error) {
                caught.reset(error);
            }
            ASSERT_NE(caught, nullptr);
            auto* numbered = dynamic_cast<TNux::TFileErrorNumber*>(caught.get());
            ASSERT_NE(numbered, nullptr);
            EXPECT_EQ(numbered->ErrorCode(), target.error);
            testing::internal::CaptureStdout();
            caught->Report();
            std::string printed = testing::internal::GetCapturedStdout();
            if (TNux::Posix::LocaleIsUtf8()) {
                EXPECT_EQ(printed, WriteFailedMessage(target.path, static_cast<int>(target.error)));
            }
        }
    }
}

}  // namespace
