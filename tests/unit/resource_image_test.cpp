#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>

#include <fcntl.h>
#include <unistd.h>

#include <zlib.h>

#include "platform/posix/ResourceImage.h"

#include "TestSupport.h"

namespace {

using TNux::Posix::TResourceEntry;
using TNux::Posix::TResourceImage;

const unsigned char* Bytes(const std::string& text) { return reinterpret_cast<const unsigned char*>(text.data()); }

void PutU32(std::string& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
    }
}

// An image around a hand-made payload, with a correct length and CRC-32, so that
// only the payload's own structure can be wrong.
std::string ImageAround(const std::string& payload) {
    std::string image("ZOVRSRC\x01", 8);
    PutU32(image, static_cast<std::uint32_t>(payload.size()));
    PutU32(image, static_cast<std::uint32_t>(crc32(0L, Bytes(payload), static_cast<uInt>(payload.size()))));
    return image + payload;
}

std::string EntryBytes(std::uint16_t type, std::uint16_t language, std::uint32_t name, const std::string& data,
                       std::uint32_t claimedSize) {
    std::string out;
    out.push_back(static_cast<char>(type & 0xFF));
    out.push_back(static_cast<char>(type >> 8));
    out.push_back(static_cast<char>(language & 0xFF));
    out.push_back(static_cast<char>(language >> 8));
    PutU32(out, name);
    PutU32(out, claimedSize);
    return out + data;
}

TResourceImage SampleImage() {
    TResourceImage image;
    image.Set(6, 13, 0x0411, "string bundle");
    image.Set(16, 1, 0x0411, std::string("\0\1\2version\0", 12));
    image.Set(6, 7, 0, "");
    std::string binary;
    for (int i = 0; i < 1000; ++i) {
        binary.push_back(static_cast<char>(i * 7));
    }
    image.Set(99, 0xFFFFFFFFu, 0xFFFF, binary);
    return image;
}

void ExpectSameEntries(const TResourceImage& actual, const TResourceImage& expected) {
    ASSERT_EQ(actual.Entries().size(), expected.Entries().size());
    for (std::size_t i = 0; i < expected.Entries().size(); ++i) {
        SCOPED_TRACE(i);
        const TResourceEntry& a = actual.Entries()[i];
        const TResourceEntry& e = expected.Entries()[i];
        EXPECT_EQ(a.type, e.type);
        EXPECT_EQ(a.language, e.language);
        EXPECT_EQ(a.name, e.name);
        EXPECT_EQ(a.data, e.data);
    }
}

TEST(ResourceImage, FindSetAndRemove) {
    TResourceImage image;
    image.Set(6, 13, 0x0411, "ja");
    image.Set(6, 13, 0x0409, "en");
    image.Set(6, 13, 0x0411, "ja again");
    ASSERT_EQ(image.Entries().size(), 2u);
    ASSERT_NE(image.Find(6, 13, 0x0411), nullptr);
    EXPECT_EQ(image.Find(6, 13, 0x0411)->data, "ja again");
    EXPECT_EQ(image.Find(6, 13, 0x0409)->data, "en");
    // Language 0 takes the first entry of any language.
    ASSERT_NE(image.Find(6, 13, 0), nullptr);
    EXPECT_EQ(image.Find(6, 13, 0)->data, "ja again");
    EXPECT_EQ(image.Find(6, 14, 0), nullptr);
    EXPECT_EQ(image.Find(16, 13, 0), nullptr);
    EXPECT_EQ(image.Find(6, 13, 0x0412), nullptr);

    image.Remove(6, 13, 0x0412);
    EXPECT_EQ(image.Entries().size(), 2u);
    image.Remove(6, 13, 0x0411);
    ASSERT_EQ(image.Entries().size(), 1u);
    EXPECT_EQ(image.Find(6, 13, 0)->data, "en");
}

TEST(ResourceImage, SerializeAndParseRoundTrip) {
    TResourceImage original = SampleImage();
    std::string bytes = original.Serialize();
    TResourceImage parsed;
    std::size_t imageSize = 0;
    ASSERT_TRUE(TResourceImage::Parse(Bytes(bytes), bytes.size(), parsed, &imageSize));
    EXPECT_EQ(imageSize, bytes.size());
    ExpectSameEntries(parsed, original);
    EXPECT_EQ(parsed.Serialize(), bytes);
}

TEST(ResourceImage, EmptyImageRoundTrips) {
    std::string bytes = TResourceImage().Serialize();
    TResourceImage parsed = SampleImage();
    ASSERT_TRUE(TResourceImage::Parse(Bytes(bytes), bytes.size(), parsed));
    EXPECT_TRUE(parsed.Entries().empty());
}

TEST(ResourceImage, ParseReadsFromTheStartAndIgnoresWhatFollows) {
    std::string bytes = SampleImage().Serialize();
    std::string extended = bytes + "trailing bytes";
    TResourceImage parsed;
    std::size_t imageSize = 0;
    ASSERT_TRUE(TResourceImage::Parse(Bytes(extended), extended.size(), parsed, &imageSize));
    EXPECT_EQ(imageSize, bytes.size());
    ExpectSameEntries(parsed, SampleImage());
}

TEST(ResourceImage, ParseRejectsEveryTruncation) {
    std::string bytes = SampleImage().Serialize();
    for (std::size_t size = 0; size < bytes.size(); ++size) {
        TResourceImage parsed;
        ASSERT_FALSE(TResourceImage::Parse(Bytes(bytes), size, parsed)) << "size " << size;
    }
}

TEST(ResourceImage, ParseRejectsEveryFlippedByte) {
    std::string bytes = SampleImage().Serialize();
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        std::string damaged = bytes;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x01);
        TResourceImage parsed;
        ASSERT_FALSE(TResourceImage::Parse(Bytes(damaged), damaged.size(), parsed)) << "byte " << at;
    }
}

TEST(ResourceImage, ParseRejectsPayloadsWhoseLengthsDisagree) {
    const struct {
        const char* what;
        std::string payload;
    } cases[] = {
        {"payload shorter than its count", ""},
        {"count larger than the entries", std::string("\x02\0\0\0", 4) + EntryBytes(6, 0x0411, 1, "ab", 2)},
        {"entry header cut", std::string("\x01\0\0\0", 4) + EntryBytes(6, 0x0411, 1, "", 0).substr(0, 8)},
        {"data size beyond the payload", std::string("\x01\0\0\0", 4) + EntryBytes(6, 0x0411, 1, "ab", 3)},
        {"data size near 4 GiB", std::string("\x01\0\0\0", 4) + EntryBytes(6, 0x0411, 1, "ab", 0xFFFFFFFFu)},
        {"bytes left after the entries", std::string("\x01\0\0\0", 4) + EntryBytes(6, 0x0411, 1, "ab", 2) + "x"},
        {"count near 4 GiB", std::string("\xFF\xFF\xFF\xFF", 4) + EntryBytes(6, 0x0411, 1, "ab", 2)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string image = ImageAround(c.payload);
        TResourceImage parsed;
        EXPECT_FALSE(TResourceImage::Parse(Bytes(image), image.size(), parsed));
    }
    // The same hand-made framing around a consistent payload is accepted.
    std::string good = ImageAround(std::string("\x01\0\0\0", 4) + EntryBytes(6, 0x0411, 1, "ab", 2));
    TResourceImage parsed;
    ASSERT_TRUE(TResourceImage::Parse(Bytes(good), good.size(), parsed));
    ASSERT_EQ(parsed.Entries().size(), 1u);
    EXPECT_EQ(parsed.Entries()[0].data, "ab");
}

TEST(ResourceImage, TrailerHoldsTheImageSizeAndItsMagic) {
    std::string trailer = TNux::Posix::MakeTrailer(0x0123456789ull);
    ASSERT_EQ(trailer.size(), TNux::Posix::kTrailerSize);
    EXPECT_EQ(trailer.substr(0, 8), std::string("\x89\x67\x45\x23\x01\0\0\0", 8));
    EXPECT_EQ(trailer.substr(8), std::string("ZOVTAIL\x01", 8));
}

class ProgramFileTest : public TestSupport::ScratchDirTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(ScratchDirTest::SetUp());
        code = std::string(
                   "\x7F"
                   "ELF",
                   4) +
               std::string(1000, '\x90');
    }

    std::string Write(const std::string& name, const std::string& contents) {
        std::string path = dir + "/" + name;
        std::ofstream(path, std::ios::binary) << contents;
        return path;
    }

    std::string Appended(const std::string& image) { return TestSupport::WithAppendedImage(code, image); }

    std::string code;
};

TEST_F(ProgramFileTest, ReadAppendedImageFindsTheImageBeforeTheTrailer) {
    std::string path = Write("program", Appended(SampleImage().Serialize()));
    int descriptor = open(path.c_str(), O_RDONLY);
    ASSERT_GE(descriptor, 0);
    TResourceImage image;
    std::uint64_t start = 0;
    EXPECT_TRUE(TNux::Posix::ReadAppendedImage(descriptor, image, &start));
    close(descriptor);
    EXPECT_EQ(start, code.size());
    ExpectSameEntries(image, SampleImage());
}

TEST_F(ProgramFileTest, ReadAppendedImageRefusesFilesWithoutAnIntactImage) {
    std::string image = SampleImage().Serialize();
    std::string damaged = image;
    damaged[image.size() / 2] ^= 0x40;
    std::string trailerTooLong = TNux::Posix::MakeTrailer(code.size() + image.size() + 1);
    const struct {
        const char* what;
        std::string contents;
    } cases[] = {
        {"empty file", ""},
        {"shorter than a trailer", "ZOVTAIL"},
        {"code only", code},
        {"image without a trailer", code + image},
        {"damaged image", Appended(damaged)},
        {"trailer claims more than the file", code + image + trailerTooLong},
        {"trailer claims bytes besides the image", code + Appended(image + "junk").substr(code.size())},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string path = Write("program", c.contents);
        int descriptor = open(path.c_str(), O_RDONLY);
        ASSERT_GE(descriptor, 0);
        TResourceImage parsed;
        std::uint64_t start = 12345;
        EXPECT_FALSE(TNux::Posix::ReadAppendedImage(descriptor, parsed, &start));
        close(descriptor);
        EXPECT_EQ(start, c.contents.size());
    }
}

TEST_F(ProgramFileTest, LoadFileImagePrefersTheAppendedImage) {
    TResourceImage embedded;
    embedded.Set(6, 1, 0x0411, "embedded");
    TResourceImage appended;
    appended.Set(6, 1, 0x0411, "appended");
    std::string path = Write("program", code + embedded.Serialize() + "more code" + Appended(appended.Serialize()));
    TResourceImage loaded;
    ASSERT_TRUE(TNux::Posix::LoadFileImage(path.c_str(), loaded));
    ExpectSameEntries(loaded, appended);
}

TEST_F(ProgramFileTest, LoadFileImageFallsBackToTheFirstIntactEmbeddedImage) {
    TResourceImage embedded;
    embedded.Set(6, 1, 0x0411, "embedded");
    std::string image = embedded.Serialize();
    std::string broken = image;
    broken[image.size() - 1] ^= 0x01;
    // A damaged copy first: the search has to go on past its magic.
    std::string path = Write("program", code + broken + code + image + code);
    TResourceImage loaded;
    ASSERT_TRUE(TNux::Posix::LoadFileImage(path.c_str(), loaded));
    ExpectSameEntries(loaded, embedded);
}

TEST_F(ProgramFileTest, LoadFileImageFailsWithoutAnyImage) {
    TResourceImage loaded;
    EXPECT_FALSE(TNux::Posix::LoadFileImage(Write("plain", code).c_str(), loaded));
    EXPECT_FALSE(TNux::Posix::LoadFileImage((dir + "/missing").c_str(), loaded));
}

TEST(BuiltinImage, HoldsTheStringTableAndTheVersionResource) {
    const TResourceImage& image = TNux::Posix::BuiltinImage();
    for (std::uint32_t bundle : {7u, 13u, 19u, 26u, 32u, 38u}) {
        SCOPED_TRACE(bundle);
        EXPECT_NE(image.Find(6, bundle, 0x0411), nullptr);
    }
    EXPECT_NE(image.Find(16, 1, 0), nullptr);
}

}  // namespace
