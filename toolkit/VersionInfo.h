// The version text shown in the banner, built from the module's version resource.
#pragma once

#include <string>

#include "platform/Win32.h"

// The version-information block of one module file; pointers it hands out point
// into the block and live as long as the object.
class TVersionInfo {
public:
    explicit TVersionInfo(HINSTANCE module);
    ~TVersionInfo();
    TVersionInfo(const TVersionInfo&) = delete;
    TVersionInfo& operator=(const TVersionInfo&) = delete;

    // Reads the block of the file at path; no block when it has none.
    void Load(const char* path);

    // The fixed part of the block, or null.
    const VS_FIXEDFILEINFO* GetFixedFileInfo() const;

    // The value of a string entry of the table "041104b0", or null.
    const char* GetStringValue(const char* name) const;

private:
    void* block = nullptr;
};

namespace TNux {

// "major.minor<third>" and, after releaseText, the file version's major with the
// beta and debug marks; empty when the module has no version resource or it lacks
// the "Comments" entry. With no releaseText, only the first part.
std::string GetVersionText(HINSTANCE module, const char* releaseText, const char* betaText, const char* debugText);

}  // namespace TNux
