// Whole reads and writes on file descriptors, retried after interruptions.
#pragma once

#include <cstddef>
#include <cstdint>

namespace TNux::Posix {

// Owns one file descriptor (-1 for none) and closes it on destruction, keeping
// errno as it was so that the error being reported survives the cleanup.
class TDescriptor {
public:
    explicit TDescriptor(int descriptor) : descriptor(descriptor) {}
    ~TDescriptor();
    TDescriptor(const TDescriptor&) = delete;
    TDescriptor& operator=(const TDescriptor&) = delete;

    bool Valid() const { return descriptor >= 0; }
    int Get() const { return descriptor; }

    // Closes now; false (errno set) when close reports an error.
    bool Close();

private:
    int descriptor;
};

// Reads exactly size bytes at offset; false (errno set, EIO for a short file) otherwise.
bool ReadAt(int descriptor, void* buffer, std::size_t size, std::uint64_t offset);

// Writes all size bytes at the current position; false (errno set) otherwise.
bool WriteAll(int descriptor, const void* buffer, std::size_t size);

}  // namespace TNux::Posix
