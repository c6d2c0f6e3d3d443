// Layout of the version resource on POSIX systems.
//
// As stored (resource type 16, name 1): the 52-byte fixed part, then a count and
// that many (key, value) pairs, each a 32-bit length and its bytes. Keys are the
// query paths ("\\StringFileInfo\\041104b0\\Comments"); string values are UTF-8
// without a NUL. All integers are little-endian.
//
// The block that GetFileVersionInfoA delivers has the same shape behind a 32-bit
// total size, with string values in the locale's codeset and NUL-terminated, and
// every field padded to four bytes so that the fixed part can be read in place.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/Win32.h"

namespace TNux::Posix {

struct TVersionResource {
    VS_FIXEDFILEINFO fixed{};
    std::vector<std::pair<std::string, std::string>> values;

    std::string Serialize() const;
    static bool Parse(const std::string& bytes, TVersionResource& resource);
};

constexpr DWORD kFixedFileInfoSignature = 0xFEEF04BDu;
constexpr const char* kStringFileInfoPrefix = "\\StringFileInfo\\";

}  // namespace TNux::Posix
