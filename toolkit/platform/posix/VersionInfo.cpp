// GetFileVersionInfoSizeA, GetFileVersionInfoA and VerQueryValueA over the version
// resource of a program file.
#include <cerrno>
#include <cstring>
#include <string>

#include <strings.h>

#include "platform/Win32.h"
#include "platform/posix/Codeset.h"
#include "platform/posix/Module.h"
#include "platform/posix/VersionResource.h"

namespace {

using TNux::Posix::TVersionResource;

constexpr std::uint16_t kVersionType = 16;
constexpr std::uint32_t kVersionName = 1;

void PutU32(std::string& out, std::uint32_t value) { out.append(reinterpret_cast<const char*>(&value), 4); }

void PutPadded(std::string& out, const std::string& bytes) {
    PutU32(out, static_cast<std::uint32_t>(bytes.size()));
    out += bytes;
    out.append((4 - bytes.size() % 4) % 4, '\0');
}

bool IsStringKey(const std::string& key) {
    std::size_t prefix = std::strlen(TNux::Posix::kStringFileInfoPrefix);
    return key.size() > prefix && strncasecmp(key.c_str(), TNux::Posix::kStringFileInfoPrefix, prefix) == 0;
}

// The block GetFileVersionInfoA hands out for the file at path; empty when it has
// no version resource.
std::string BuildBlock(LPCSTR path) {
    if (path == nullptr) {
        errno = EINVAL;
        return std::string();
    }
    TNux::Posix::TResourceImage image;
    TPosixModule& self = TNux::Posix::SelfModule();
    if (!self.path.empty() && TNux::Posix::SameFile(path, self.path.c_str())) {
        image = self.Resources();
    } else if (!TNux::Posix::LoadFileImage(path, image)) {
        return std::string();
    }
    const TNux::Posix::TResourceEntry* entry = image.Find(kVersionType, kVersionName, 0);
    TVersionResource resource;
    if (entry == nullptr || !TVersionResource::Parse(entry->data, resource)) {
        errno = ENOENT;
        return std::string();
    }
    std::string block;
    PutU32(block, 0);
    block.append(reinterpret_cast<const char*>(&resource.fixed), sizeof resource.fixed);
    PutU32(block, static_cast<std::uint32_t>(resource.values.size()));
    for (const auto& [key, value] : resource.values) {
        PutPadded(block, key + '\0');
        PutPadded(block, IsStringKey(key) ? TNux::Posix::Utf8ToLocale(value) + '\0' : value);
    }
    std::uint32_t size = static_cast<std::uint32_t>(block.size());
    std::memcpy(block.data(), &size, 4);
    return block;
}

std::uint32_t ReadU32(const unsigned char* p) {
    std::uint32_t value;
    std::memcpy(&value, p, 4);
    return value;
}

}  // namespace

DWORD GetFileVersionInfoSizeA(LPCSTR path, LPDWORD handle) {
    if (handle != nullptr) {
        *handle = 0;
    }
    return static_cast<DWORD>(BuildBlock(path).size());
}

BOOL GetFileVersionInfoA(LPCSTR path, DWORD, DWORD size, LPVOID data) {
    std::string block = BuildBlock(path);
    if (block.empty() || data == nullptr) {
        return FALSE;
    }
    if (size < block.size()) {
        errno = ERANGE;
        return FALSE;
    }
    std::memcpy(data, block.data(), block.size());
    return TRUE;
}

BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* value, UINT* length) {
    if (block == nullptr || subBlock == nullptr || value == nullptr) {
        errno = EINVAL;
        return FALSE;
    }
    const auto* bytes = static_cast<const unsigned char*>(block);
    const std::uint32_t size = ReadU32(bytes);
    constexpr std::size_t kFixedAt = 4;
    if (std::strcmp(subBlock, "\\") == 0 || subBlock[0] == '\0') {
        *value = const_cast<unsigned char*>(bytes + kFixedAt);
        if (length != nullptr) {
            *length = sizeof(VS_FIXEDFILEINFO);
        }
        return TRUE;
    }
    std::size_t at = kFixedAt + sizeof(VS_FIXEDFILEINFO);
    std::uint32_t count = ReadU32(bytes + at);
    at += 4;
    for (std::uint32_t i = 0; i < count && at + 4 <= size; ++i) {
        std::uint32_t keySize = ReadU32(bytes + at);
        const char* key = reinterpret_cast<const char*>(bytes + at + 4);
        at += 4 + keySize + (4 - keySize % 4) % 4;
        if (at + 4 > size) {
            break;
        }
        std::uint32_t valueSize = ReadU32(bytes + at);
        const unsigned char* data = bytes + at + 4;
        at += 4 + valueSize + (4 - valueSize % 4) % 4;
        if (at > size) {
            break;
        }
        if (strcasecmp(key, subBlock) == 0) {
            *value = const_cast<unsigned char*>(data);
            if (length != nullptr) {
                bool text = IsStringKey(key);
                *length = text ? static_cast<UINT>(std::strlen(reinterpret_cast<const char*>(data)) + 1) : valueSize;
            }
            return TRUE;
        }
    }
    errno = ENOENT;
    return FALSE;
}
