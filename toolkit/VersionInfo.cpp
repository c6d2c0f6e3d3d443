#include "VersionInfo.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "Format.h"

namespace {
constexpr const char* kStringTableKey = "041104b0";
constexpr int kVersionPartSize = 256;
}  // namespace

TVersionInfo::TVersionInfo(HINSTANCE module) {
    char path[MAX_PATH];
    if (module != nullptr && GetModuleFileNameA(module, path, MAX_PATH) != 0) {
        Load(path);
    }
}

TVersionInfo::~TVersionInfo() { std::free(block); }

void TVersionInfo::Load(const char* path) {
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &handle);
    if (size == 0) {
        return;
    }
    void* data = std::malloc(size);
    if (data == nullptr) {
        return;
    }
    if (!GetFileVersionInfoA(path, 0, size, data)) {
        std::free(data);
        return;
    }
    std::free(block);
    block = data;
}

const VS_FIXEDFILEINFO* TVersionInfo::GetFixedFileInfo() const {
    void* value = nullptr;
    UINT length = 0;
    if (block == nullptr || !VerQueryValueA(block, "\\", &value, &length)) {
        return nullptr;
    }
    return static_cast<const VS_FIXEDFILEINFO*>(value);
}

const char* TVersionInfo::GetStringValue(const char* name) const {
    if (block == nullptr) {
        return nullptr;
    }
    char subBlock[MAX_PATH];
    std::snprintf(subBlock, sizeof subBlock, "\\StringFileInfo\\%s\\%s", kStringTableKey, name);
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block, subBlock, &value, &length)) {
        return nullptr;
    }
    return static_cast<const char*>(value);
}

namespace TNux {

std::string GetVersionText(HINSTANCE module, const char* releaseText, const char* betaText, const char* debugText) {
    TVersionInfo info(module);
    // Only the presence of "Comments" counts: a build without it shows no version.
    const char* comments = info.GetStringValue("Comments");
    const VS_FIXEDFILEINFO* fixed = info.GetFixedFileInfo();
    if (comments == nullptr || fixed == nullptr) {
        return std::string();
    }
    char versionPart[kVersionPartSize];
    std::snprintf(versionPart, sizeof versionPart, "%d.%d%d", HIWORD(fixed->dwProductVersionMS),
                  LOWORD(fixed->dwProductVersionMS), HIWORD(fixed->dwProductVersionLS));
    if (releaseText == nullptr) {
        return versionPart;
    }
    // The parts are cut at 255 characters, so long suffix texts cannot overrun them.
    std::string releasePart = FormatString("%d", HIWORD(fixed->dwFileVersionMS));
    if (LOWORD(fixed->dwProductVersionLS) != 0 && betaText != nullptr) {
        releasePart += FormatString("%s%d", betaText, LOWORD(fixed->dwProductVersionLS));
    }
    if ((fixed->dwFileFlags & VS_FF_DEBUG) != 0 && debugText != nullptr) {
        releasePart += debugText;
    }
    releasePart.resize(std::min<std::size_t>(releasePart.size(), kVersionPartSize - 1));
    return FormatString("%s%s%s", versionPart, releaseText, releasePart.c_str());
}

}  // namespace TNux
