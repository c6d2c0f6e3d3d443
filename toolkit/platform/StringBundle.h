// The string-table layout: texts are stored in bundles of 16, bundle n holding the
// ids (n - 1) * 16 to n * 16 - 1, each text as a 16-bit length and that many UTF-16
// code units, little-endian, without a NUL.
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "platform/Win32.h"

namespace TNux {

constexpr int kStringsPerBundle = 16;
constexpr int kStringBundleCount = 4096;

inline WORD StringBundleOf(WORD id) { return static_cast<WORD>(id / kStringsPerBundle + 1); }
inline int StringIndexOf(WORD id) { return id % kStringsPerBundle; }

using TWideText = std::basic_string<WCHAR>;
using TStringBundle = std::array<TWideText, kStringsPerBundle>;

// The bundle's resource bytes.
std::string EncodeStringBundle(const TStringBundle& bundle);

// The text at index of a bundle's resource bytes; false when the bytes end early.
bool DecodeStringBundleText(const void* data, std::size_t size, int index, TWideText& text);

}  // namespace TNux
