// Whole reads and writes on file descriptors, retried after interruptions.
#pragma once

#include <cstddef>
#include <cstdint>

namespace TNux::Posix {

// Reads exactly size bytes at offset; false (errno set, EIO for a short file) otherwise.
bool ReadAt(int descriptor, void* buffer, std::size_t size, std::uint64_t offset);

// Writes all size bytes at the current position; false (errno set) otherwise.
bool WriteAll(int descriptor, const void* buffer, std::size_t size);

}  // namespace TNux::Posix
