#include "platform/posix/ResourceImage.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <zlib.h>

#include "platform/posix/DescriptorIo.h"
#include "platform/posix/NativePath.h"

namespace TNux::Posix {

namespace {

constexpr unsigned char kImageMagic[8] = {'Z', 'O', 'V', 'R', 'S', 'R', 'C', 0x01};
constexpr unsigned char kTrailerMagic[8] = {'Z', 'O', 'V', 'T', 'A', 'I', 'L', 0x01};
constexpr std::size_t kImageHeaderSize = 16;
constexpr std::size_t kEntryHeaderSize = 12;

void PutU16(std::string& out, std::uint16_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>(value >> 8));
}

void PutU32(std::string& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
    }
}

std::uint16_t GetU16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

std::uint32_t GetU32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint32_t Crc32(const unsigned char* bytes, std::size_t size) {
    uLong crc = crc32(0L, Z_NULL, 0);
    while (size > 0) {
        uInt chunk = size > 0x40000000u ? 0x40000000u : static_cast<uInt>(size);
        crc = crc32(crc, bytes, chunk);
        bytes += chunk;
        size -= chunk;
    }
    return static_cast<std::uint32_t>(crc);
}

bool ReadWholeFile(int descriptor, std::string& contents) {
    struct stat status;
    if (fstat(descriptor, &status) != 0) {
        return false;
    }
    contents.resize(static_cast<std::size_t>(status.st_size));
    return ReadAt(descriptor, contents.data(), contents.size(), 0);
}

// The default image as linked into a program file: the first intact image found.
bool FindEmbeddedImage(const std::string& contents, TResourceImage& image) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(contents.data());
    const auto* end = bytes + contents.size();
    const auto* at = bytes;
    while (true) {
        at = std::search(at, end, std::begin(kImageMagic), std::end(kImageMagic));
        if (at == end) {
            errno = ENOENT;
            return false;
        }
        if (TResourceImage::Parse(at, static_cast<std::size_t>(end - at), image)) {
            return true;
        }
        ++at;
    }
}

}  // namespace

const TResourceEntry* TResourceImage::Find(std::uint16_t type, std::uint32_t name, std::uint16_t language) const {
    for (const TResourceEntry& entry : entries) {
        if (entry.type == type && entry.name == name && (language == 0 || entry.language == language)) {
            return &entry;
        }
    }
    return nullptr;
}

void TResourceImage::Set(std::uint16_t type, std::uint32_t name, std::uint16_t language, std::string data) {
    for (TResourceEntry& entry : entries) {
        if (entry.type == type && entry.name == name && entry.language == language) {
            entry.data = std::move(data);
            return;
        }
    }
    entries.push_back(TResourceEntry{type, language, name, std::move(data)});
}

void TResourceImage::Remove(std::uint16_t type, std::uint32_t name, std::uint16_t language) {
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [&](const TResourceEntry& entry) {
                                     return entry.type == type && entry.name == name && entry.language == language;
                                 }),
                  entries.end());
}

std::string TResourceImage::Serialize() const {
    std::string payload;
    PutU32(payload, static_cast<std::uint32_t>(entries.size()));
    for (const TResourceEntry& entry : entries) {
        PutU16(payload, entry.type);
        PutU16(payload, entry.language);
        PutU32(payload, entry.name);
        PutU32(payload, static_cast<std::uint32_t>(entry.data.size()));
        payload += entry.data;
    }
    std::string image(reinterpret_cast<const char*>(kImageMagic), sizeof kImageMagic);
    PutU32(image, static_cast<std::uint32_t>(payload.size()));
    PutU32(image, Crc32(reinterpret_cast<const unsigned char*>(payload.data()), payload.size()));
    return image + payload;
}

bool TResourceImage::Parse(const unsigned char* bytes, std::size_t size, TResourceImage& image,
                           std::size_t* imageSize) {
    if (size < kImageHeaderSize || std::memcmp(bytes, kImageMagic, sizeof kImageMagic) != 0) {
        return false;
    }
    std::size_t payloadSize = GetU32(bytes + 8);
    if (payloadSize > size - kImageHeaderSize) {
        return false;
    }
    const unsigned char* payload = bytes + kImageHeaderSize;
    if (Crc32(payload, payloadSize) != GetU32(bytes + 12) || payloadSize < 4) {
        return false;
    }
    std::uint32_t count = GetU32(payload);
    std::size_t at = 4;
    std::vector<TResourceEntry> entries;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (payloadSize - at < kEntryHeaderSize) {
            return false;
        }
        const unsigned char* header = payload + at;
        std::size_t dataSize = GetU32(header + 8);
        at += kEntryHeaderSize;
        if (payloadSize - at < dataSize) {
            return false;
        }
        entries.push_back(TResourceEntry{GetU16(header), GetU16(header + 2), GetU32(header + 4),
                                         std::string(reinterpret_cast<const char*>(payload + at), dataSize)});
        at += dataSize;
    }
    if (at != payloadSize) {
        return false;
    }
    image.entries = std::move(entries);
    if (imageSize != nullptr) {
        *imageSize = kImageHeaderSize + payloadSize;
    }
    return true;
}

std::string MakeTrailer(std::size_t imageSize) {
    std::string trailer;
    PutU32(trailer, static_cast<std::uint32_t>(imageSize & 0xFFFFFFFFu));
    PutU32(trailer, static_cast<std::uint32_t>(static_cast<std::uint64_t>(imageSize) >> 32));
    trailer.append(reinterpret_cast<const char*>(kTrailerMagic), sizeof kTrailerMagic);
    return trailer;
}

bool ReadAppendedImage(int descriptor, TResourceImage& image, std::uint64_t* appendedStart) {
    struct stat status;
    if (fstat(descriptor, &status) != 0) {
        return false;
    }
    auto fileSize = static_cast<std::uint64_t>(status.st_size);
    if (appendedStart != nullptr) {
        *appendedStart = fileSize;
    }
    unsigned char trailer[kTrailerSize];
    if (fileSize < kTrailerSize || !ReadAt(descriptor, trailer, kTrailerSize, fileSize - kTrailerSize) ||
        std::memcmp(trailer + 8, kTrailerMagic, sizeof kTrailerMagic) != 0) {
        return false;
    }
    std::uint64_t imageSize = GetU32(trailer) | (static_cast<std::uint64_t>(GetU32(trailer + 4)) << 32);
    if (imageSize > fileSize - kTrailerSize) {
        return false;
    }
    std::uint64_t start = fileSize - kTrailerSize - imageSize;
    std::string bytes(static_cast<std::size_t>(imageSize), '\0');
    std::size_t parsedSize = 0;
    if (!ReadAt(descriptor, bytes.data(), bytes.size(), start) ||
        !TResourceImage::Parse(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), image,
                               &parsedSize) ||
        parsedSize != bytes.size()) {
        return false;
    }
    if (appendedStart != nullptr) {
        *appendedStart = start;
    }
    return true;
}

bool LoadFileImage(const char* path, TResourceImage& image) {
    TDescriptor file(open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.Valid()) {
        return false;
    }
    if (ReadAppendedImage(file.Get(), image, nullptr)) {
        return true;
    }
    std::string contents;
    return ReadWholeFile(file.Get(), contents) && FindEmbeddedImage(contents, image);
}

}  // namespace TNux::Posix
