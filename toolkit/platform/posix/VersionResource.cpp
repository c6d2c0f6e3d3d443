#include "platform/posix/VersionResource.h"

#include <cstring>

namespace TNux::Posix {

namespace {

constexpr std::size_t kFixedFields = sizeof(VS_FIXEDFILEINFO) / sizeof(DWORD);

void PutU32(std::string& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
    }
}

bool GetU32(const std::string& bytes, std::size_t& at, std::uint32_t& value) {
    if (bytes.size() - at < 4 || at > bytes.size()) {
        return false;
    }
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at);
    value = static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
            (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    at += 4;
    return true;
}

bool GetBytes(const std::string& bytes, std::size_t& at, std::string& value) {
    std::uint32_t size = 0;
    if (!GetU32(bytes, at, size) || bytes.size() - at < size) {
        return false;
    }
    value = bytes.substr(at, size);
    at += size;
    return true;
}

}  // namespace

std::string TVersionResource::Serialize() const {
    std::string out;
    DWORD fields[kFixedFields];
    std::memcpy(fields, &fixed, sizeof fields);
    for (DWORD field : fields) {
        PutU32(out, field);
    }
    PutU32(out, static_cast<std::uint32_t>(values.size()));
    for (const auto& [key, value] : values) {
        PutU32(out, static_cast<std::uint32_t>(key.size()));
        out += key;
        PutU32(out, static_cast<std::uint32_t>(value.size()));
        out += value;
    }
    return out;
}

bool TVersionResource::Parse(const std::string& bytes, TVersionResource& resource) {
    std::size_t at = 0;
    DWORD fields[kFixedFields];
    for (DWORD& field : fields) {
        if (!GetU32(bytes, at, field)) {
            return false;
        }
    }
    std::memcpy(&resource.fixed, fields, sizeof fields);
    std::uint32_t count = 0;
    if (!GetU32(bytes, at, count)) {
        return false;
    }
    resource.values.clear();
    for (std::uint32_t i = 0; i < count; ++i) {
        std::string key;
        std::string value;
        if (!GetBytes(bytes, at, key) || !GetBytes(bytes, at, value)) {
            return false;
        }
        resource.values.emplace_back(std::move(key), std::move(value));
    }
    return at == bytes.size();
}

}  // namespace TNux::Posix
