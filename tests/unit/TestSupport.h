// Helpers that several unit test files share.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "PropertyMap.h"

namespace TestSupport {

// The little-endian 32-bit number at the offset; the caller makes sure that four
// bytes are there.
std::uint32_t U32(const std::string& bytes, std::size_t at);

// The whole file as bytes; empty when it cannot be read.
std::string ReadAll(const std::string& path);

// A temporary stream that holds the bytes (NUL bytes included), positioned at the
// start; null when no temporary file can be made. The caller closes it.
std::FILE* StreamOf(const std::string& bytes);

// Inflates one zlib stream into out. True only when the stream ends exactly where
// the compressed bytes end.
bool InflateWhole(const std::string& compressed, std::string& out);

// The running test program's own path.
std::string SelfPath();

// The resource source the program's string table is built from.
std::string CatalogSourcePath();

// Program file bytes: the code, then the serialized resource image appended with
// its trailer.
std::string WithAppendedImage(const std::string& code, const std::string& image);

// What TNux::kMessageCannotOpenFile prints for the path and the error code.
std::string CannotOpenMessage(const std::string& path, int code);

// What TNux::kMessageWriteFailed prints for the path and the error code.
std::string WriteFailedMessage(const std::string& path, int code);

using Pairs = std::vector<std::pair<std::string, std::string>>;

// Every key and value of the map, in the order Visit gives them.
Pairs Contents(const PropertyMap& map);

// A fixture whose tests are skipped unless the locale's codeset is UTF-8: the
// program's texts are compared as UTF-8, the codeset of the C and UTF-8 locales.
class Utf8LocaleTest : public ::testing::Test {
protected:
    void SetUp() override;
};

// A fixture with a fresh directory, dir, under the system's temporary directory;
// the directory and all it holds go after the test.
class ScratchDirTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string dir;
};

// ScratchDirTest whose tests are skipped, with no directory made, unless the
// locale's codeset is UTF-8.
class Utf8ScratchDirTest : public ScratchDirTest {
protected:
    void SetUp() override;
};

}  // namespace TestSupport
