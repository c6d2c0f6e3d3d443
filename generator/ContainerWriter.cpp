#include "ContainerWriter.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <string_view>
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

DWORD CompressorError(int result) { return result == Z_MEM_ERROR ? ERROR_NOT_ENOUGH_MEMORY : ERROR_INVALID_DATA; }

// Compresses the records, each "key=value\0" in the map's order, as one zlib stream
// into a buffer that grows in steps of 1024 bytes. The records reach the
// compressor through a small staging buffer rather than as one payload copy: zlib
// gives the same bytes either way, and a large property set is not held twice.
class TRecordCompressor {
public:
    explicit TRecordCompressor(const char* path) : path(path), compressed(kCompressedBufferStep) {
        if (!deflater.Ready()) {
            Fail(path, CompressorError(deflater.result));
        }
        deflater.stream.next_out = compressed.data();
        deflater.stream.avail_out = static_cast<uInt>(compressed.size());
        staging.reserve(kStagingSize);
    }

    void Add(std::string_view key, std::string_view value) {
        std::size_t at = staging.size();
        staging.resize(at + key.size() + value.size() + 2);
        unsigned char* record = staging.data() + at;
        std::memcpy(record, key.data(), key.size());
        record[key.size()] = '=';
        std::memcpy(record + key.size() + 1, value.data(), value.size());
        record[key.size() + 1 + value.size()] = '\0';
        if (staging.size() >= kStagingSize) {
            Pump(Z_NO_FLUSH);
        }
    }

    // Ends the stream; the compressed bytes are cut to their exact length.
    std::vector<unsigned char>& Finish() {
        Pump(Z_FINISH);
        compressed.resize(deflater.stream.total_out);
        return compressed;
    }

    // Length of the records before compression.
    std::uint64_t PayloadSize() const { return payloadSize; }

private:
    static constexpr std::size_t kStagingSize = 1 << 16;

    void Pump(int flush) {
        payloadSize += staging.size();
        // The container's length fields are 32 bits wide.
        if (payloadSize > std::numeric_limits<std::uint32_t>::max()) {
            Fail(path, ERROR_FILE_TOO_LARGE);
        }
        deflater.stream.next_in = staging.data();
        deflater.stream.avail_in = static_cast<uInt>(staging.size());
        while (true) {
            deflater.result = deflate(&deflater.stream, flush);
            bool outputFull = deflater.stream.avail_out == 0;
            // Any other result would repeat for ever with the same buffers.
            if (deflater.result != Z_OK && deflater.result != Z_STREAM_END &&
                !(deflater.result == Z_BUF_ERROR && outputFull)) {
                Fail(path, CompressorError(deflater.result));
            }
            if (deflater.result == Z_STREAM_END || (flush == Z_NO_FLUSH && deflater.stream.avail_in == 0)) {
                break;
            }
            if (outputFull) {
                Grow();
            }
        }
        staging.clear();
    }

    void Grow() {
        std::size_t size = compressed.size();
        // The logical size steps by 1024 bytes; the reserve grows by an eighth so
        // that a large output is neither copied at every step nor reserved twice over.
        if (compressed.capacity() < size + kCompressedBufferStep) {
            compressed.reserve(size + std::max(kCompressedBufferStep, size / 8));
        }
        compressed.resize(size + kCompressedBufferStep);
        deflater.stream.next_out = compressed.data() + size;
        deflater.stream.avail_out = static_cast<uInt>(kCompressedBufferStep);
    }

    const char* path;
    TDeflateStream deflater;
    std::vector<unsigned char> compressed;
    std::vector<unsigned char> staging;
    std::uint64_t payloadSize = 0;
};

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
    std::vector<unsigned char> compressed;
    std::uint64_t payloadSize = 0;
    try {
        TRecordCompressor compressor(path);
        properties.Visit([&](std::string_view key, std::string_view value) { compressor.Add(key, value); });
        compressed = std::move(compressor.Finish());
        payloadSize = compressor.PayloadSize();
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
    PutU32(header + 36, static_cast<std::uint32_t>(payloadSize));
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
