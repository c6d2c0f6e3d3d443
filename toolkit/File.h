// A file opened by name, with two fallbacks: a file to open as existing that is not
// found is looked for beside the program, and a file that cannot be created is
// created again once its parent directories are made.
#pragma once

#include "Handle.h"

class TFile : public TKernelHandle {
public:
    TFile(const char* name, DWORD access, DWORD shareMode, DWORD disposition, DWORD flagsAndAttributes,
          HANDLE templateFile);

    // Closes any file held, then opens name as CreateFileA does (plus the fallbacks).
    // Success shows as a non-null Handle(); after a failure the last-error value is
    // that of the last attempt.
    TFile& Open(const char* name, DWORD access, DWORD shareMode, DWORD disposition, DWORD flagsAndAttributes,
                HANDLE templateFile);

    // Low 32 bits of the file's size; the high bits go to sizeHigh when given.
    DWORD Size(DWORD* sizeHigh = nullptr) const;

    // Moves the file position; returns the low 32 bits of the new position.
    DWORD Seek(LONG distance, DWORD moveMethod, LONG* distanceHigh = nullptr);

    // Writes count bytes; true when the platform reports success. written receives
    // the count actually written.
    bool Write(const void* buffer, DWORD count, DWORD* written, void* overlapped = nullptr);

    // The platform's kind of the open file: FILE_TYPE_DISK for a regular file.
    DWORD Type() const;
};

// Makes the directory at path and the missing directories above it, top down. The
// first name of a relative path is never made. True when path was made.
bool MakeDirectories(const char* path);
