#include "ContainerWriter.h"

#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "DeflateStream.h"
#include "platform/Md5.h"
#include "toolkit/Error.h"
#include "toolkit/Message.h"

namespace {

void PutU32(unsigned char* at, std::uint32_t value) {
    at[0] = static_cast<unsigned char>(value);
    at[1] = static_cast<unsigned char>(value >> 8);
    at[2] = static_cast<unsigned char>(value >> 16);
    at[3] = static_cast<unsigned char>(value >> 24);
}

[[noreturn]] void Fail(const char* path, DWORD error) {
    throw new TNux::TFileErrorNumber(path, TNux::kMessageWriteFailed, error);
}

void WriteAll(TFile& file, const char* path, const void* bytes, std::size_t count) {
    DWORD written = 0;
    if (!file.Write(bytes, static_cast<DWORD>(count), &written) || written != count) {
        Fail(path, GetLastError());
    }
}

// Frame of a chunk: tag, its complement as the check word, body length.
void PutChunkFrame(unsigned char* at, std::uint32_t tag, std::uint32_t bodyLength) {
    PutU32(at, tag);
    PutU32(at + 4, ~tag);
    PutU32(at + 8, bodyLength);
}

// The records, each "key=value\0", in the map's order.
std::vector<unsigned char> BuildPayload(const PropertyMap& properties) {
    std::size_t size = 0;
    properties.Visit([&](std::string_view key, std::string_view value) { size += key.size() + value.size() + 2; });
    std::vector<unsigned char> payload(size);
    unsigned char* at = payload.data();
    properties.Visit([&](std::string_view key, std::string_view value) {
        std::memcpy(at, key.data(), key.size());
        at += key.size();
        *at++ = '=';
        std::memcpy(at, value.data(), value.size());
        at += value.size();
        *at++ = '\0';
    });
    return payload;
}

DWORD CompressorError(int result) { return result == Z_MEM_ERROR ? ERROR_NOT_ENOUGH_MEMORY : ERROR_INVALID_DATA; }

// Compresses the whole payload as one zlib stream into a buffer that grows in steps
// of 1024 bytes; a compressor error is thrown like a write error.
std::vector<unsigned char> Compress(std::vector<unsigned char>& payload, const char* path) {
    // The container's length fields are 32 bits wide.
    if (payload.size() > std::numeric_limits<std::uint32_t>::max()) {
        Fail(path, ERROR_FILE_TOO_LARGE);
    }
    TDeflateStream deflater;
    if (!deflater.Ready()) {
        Fail(path, CompressorError(deflater.result));
    }
    std::vector<unsigned char> compressed(kCompressedBufferStep);
    deflater.stream.next_in = payload.data();
    deflater.stream.avail_in = static_cast<uInt>(payload.size());
    deflater.stream.next_out = compressed.data();
    deflater.stream.avail_out = static_cast<uInt>(compressed.size());
    while (true) {
        deflater.result = deflate(&deflater.stream, Z_FINISH);
        if (deflater.result == Z_STREAM_END) {
            break;
        }
        // Z_BUF_ERROR with room left, or any other error, would loop for ever.
        if (deflater.result != Z_OK && !(deflater.result == Z_BUF_ERROR && deflater.stream.avail_out == 0)) {
            Fail(path, CompressorError(deflater.result));
        }
        if (deflater.stream.avail_out == 0) {
            std::size_t size = compressed.size();
            // Grow the capacity by an eighth at a time: the logical size steps by
            // 1024 bytes, and large outputs should not double their reserve.
            if (compressed.capacity() < size + kCompressedBufferStep) {
                compressed.reserve(size + std::max(kCompressedBufferStep, size / 8));
            }
            compressed.resize(size + kCompressedBufferStep);
            deflater.stream.next_out = compressed.data() + size;
            deflater.stream.avail_out = static_cast<uInt>(kCompressedBufferStep);
        }
    }
    compressed.resize(deflater.stream.total_out);
    return compressed;
}

}  // namespace

bool WriteFileHeader(TFile& file, const char* path) {
    unsigned char header[kFileHeaderSize] = {};
    std::memcpy(header, kFileIdentification, sizeof kFileIdentification - 1);
    DWORD size = file.Size();
    if (size != INVALID_FILE_SIZE && size >= kFileHeaderSize) {
        PutU32(header + 32, static_cast<std::uint32_t>(size - kFileHeaderSize));
    }
    file.Seek(0, FILE_BEGIN);
    WriteAll(file, path, header, sizeof header);
    return true;
}

bool WritePropertiesChunk(TFile& file, const char* path, const PropertyMap& properties) {
    std::vector<unsigned char> payload;
    std::vector<unsigned char> compressed;
    try {
        payload = BuildPayload(properties);
        compressed = Compress(payload, path);
    } catch (const std::bad_alloc&) {
        Fail(path, ERROR_NOT_ENOUGH_MEMORY);
    }
    // The whole file's size has to fit the header's 32-bit length field.
    if (compressed.size() > std::numeric_limits<std::uint32_t>::max() - kContainerOverhead) {
        Fail(path, ERROR_FILE_TOO_LARGE);
    }
    auto compressedSize = static_cast<std::uint32_t>(compressed.size());
    unsigned char header[kPropertiesChunkHeaderSize] = {};
    PutChunkFrame(header, kPropertiesTag, 28 + compressedSize);
    PutU32(header + 12, compressedSize);
    PutU32(header + 16, 0);
    TNux::ComputeMd5(compressed.data(), compressed.size(), header + 20);
    PutU32(header + 36, static_cast<std::uint32_t>(payload.size()));
    WriteAll(file, path, header, sizeof header);
    WriteAll(file, path, compressed.data(), compressed.size());
    return true;
}

bool WriteEndChunk(TFile& file, const char* path) {
    unsigned char chunk[kChunkFrameSize] = {};
    PutChunkFrame(chunk, kEndTag, 0);
    WriteAll(file, path, chunk, sizeof chunk);
    return true;
}
