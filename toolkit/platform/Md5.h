// The MD5 message digest (RFC 1321) of one buffer.
#pragma once

#include <cstddef>

namespace TNux {

constexpr std::size_t kMd5DigestSize = 16;

// Writes the 16-byte digest of the size bytes at data into digest.
void ComputeMd5(const void* data, std::size_t size, unsigned char digest[kMd5DigestSize]);

}  // namespace TNux
