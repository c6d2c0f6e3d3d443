#include "TestSupport.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>
#include <system_error>

#include <stdlib.h>

#include <zlib.h>

#include "platform/posix/Codeset.h"
#include "platform/posix/ResourceImage.h"

namespace fs = std::filesystem;

namespace TestSupport {

std::uint32_t U32(const std::string& bytes, std::size_t at) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at);
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::FILE* StreamOf(const std::string& bytes) {
    std::FILE* stream = std::tmpfile();
    if (stream != nullptr) {
        std::fwrite(bytes.data(), 1, bytes.size(), stream);
        std::rewind(stream);
    }
    return stream;
}

bool InflateWhole(const std::string& compressed, std::string& out) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) {
        return false;
    }
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
    stream.avail_in = static_cast<uInt>(compressed.size());
    out.clear();
    int result = Z_OK;
    while (result == Z_OK) {
        char buffer[4096];
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        result = inflate(&stream, Z_NO_FLUSH);
        out.append(buffer, sizeof buffer - stream.avail_out);
    }
    bool whole = result == Z_STREAM_END && stream.avail_in == 0;
    inflateEnd(&stream);
    return whole;
}

std::string SelfPath() { return fs::read_symlink("/proc/self/exe").string(); }

std::string CatalogSourcePath() {
    fs::path root = fs::path(__FILE__).parent_path().parent_path().parent_path();
    return (root / "resources" / "strings.ja.txt").string();
}

std::string WithAppendedImage(const std::string& code, const std::string& image) {
    return code + image + TNux::Posix::MakeTrailer(image.size());
}

std::string CannotOpenMessage(const std::string& path, int code) {
    return "Zov " + path + "が開けないよ(" + std::to_string(code) + ")\n";
}

std::string WriteFailedMessage(const std::string& path, int code) {
    return "Zov " + path + "への出力ファイルへの書き込みでエラーが起きたよ(" + std::to_string(code) + ")\n";
}

Pairs Contents(const PropertyMap& map) {
    Pairs pairs;
    map.Visit([&](std::string_view key, std::string_view value) { pairs.emplace_back(key, value); });
    return pairs;
}

namespace {

// Marks the running test skipped unless the locale's codeset is UTF-8; returns to
// the caller either way.
void SkipUnlessUtf8Locale() {
    if (!TNux::Posix::LocaleIsUtf8()) {
        GTEST_SKIP() << "the locale's codeset is not UTF-8";
    }
}

}  // namespace

void Utf8LocaleTest::SetUp() { SkipUnlessUtf8Locale(); }

void ScratchDirTest::SetUp() {
    std::string pattern = (fs::temp_directory_path() / "genzov-unit-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir = pattern;
}

void ScratchDirTest::TearDown() {
    if (!dir.empty()) {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
}

void Utf8ScratchDirTest::SetUp() {
    SkipUnlessUtf8Locale();
    if (!IsSkipped()) {
        ScratchDirTest::SetUp();
    }
}

}  // namespace TestSupport
