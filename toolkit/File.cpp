#include "File.h"

#include <cstring>

#include "ModuleInstance.h"

namespace {

constexpr DWORD kProgramPathSize = 1024;

HANDLE Attempt(const char* name, DWORD access, DWORD shareMode, DWORD disposition, DWORD flags, HANDLE templateFile) {
    HANDLE handle = CreateFileA(name, access, shareMode, nullptr, disposition, flags, templateFile);
    return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

// The last directory separator of text, or null. Both separators count.
char* LastSeparator(char* text) {
    char* last = nullptr;
    for (char* at = text; *at != '\0'; ++at) {
        if (*at == '\\' || *at == '/') {
            last = at;
        }
    }
    return last;
}

// Copies text into a MAX_PATH buffer; false when it does not fit.
bool CopyPath(char (&buffer)[MAX_PATH], const char* text) {
    std::size_t length = std::strlen(text);
    if (length >= sizeof buffer) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    std::memcpy(buffer, text, length + 1);
    return true;
}

}  // namespace

TFile::TFile(const char* name, DWORD access, DWORD shareMode, DWORD disposition, DWORD flagsAndAttributes,
             HANDLE templateFile)
    : TKernelHandle(nullptr) {
    Open(name, access, shareMode, disposition, flagsAndAttributes, templateFile);
}

TFile& TFile::Open(const char* name, DWORD access, DWORD shareMode, DWORD disposition, DWORD flagsAndAttributes,
                   HANDLE templateFile) {
    Close();
    HANDLE opened = Attempt(name, access, shareMode, disposition, flagsAndAttributes, templateFile);
    if (opened == nullptr && disposition == OPEN_EXISTING) {
        // A relative name is looked for below the program's directory.
        char path[kProgramPathSize];
        path[0] = '\0';
        if (ModuleInstance.GetFileName(path, sizeof path) != 0) {
            char* fileName = PathFindFileNameA(path);
            std::size_t room = sizeof path - static_cast<std::size_t>(fileName - path);
            if (fileName != nullptr && *fileName != '\0' && std::strlen(name) < room) {
                std::strcpy(fileName, name);
                opened = Attempt(path, access, shareMode, OPEN_EXISTING, flagsAndAttributes, templateFile);
            }
        }
    } else if (opened == nullptr) {
        DWORD error = GetLastError();
        char parent[MAX_PATH];
        char* separator = CopyPath(parent, name) ? LastSeparator(parent) : nullptr;
        if (separator != nullptr) {
            *separator = '\0';
            MakeDirectories(parent);
            opened = Attempt(name, access, shareMode, disposition, flagsAndAttributes, templateFile);
        } else {
            SetLastError(error);
        }
    }
    Attach(opened);
    return *this;
}

DWORD TFile::Size(DWORD* sizeHigh) const { return GetFileSize(handle, sizeHigh); }

DWORD TFile::Seek(LONG distance, DWORD moveMethod, LONG* distanceHigh) {
    return SetFilePointer(handle, distance, distanceHigh, moveMethod);
}

bool TFile::Write(const void* buffer, DWORD count, DWORD* written, void* overlapped) {
    return WriteFile(handle, buffer, count, written, static_cast<LPOVERLAPPED>(overlapped)) != FALSE;
}

DWORD TFile::Type() const { return GetFileType(handle); }

bool MakeDirectories(const char* path) {
    if (CreateDirectoryA(path, nullptr)) {
        return true;
    }
    char parent[MAX_PATH];
    if (!CopyPath(parent, path)) {
        return false;
    }
    char* separator = LastSeparator(parent);
    if (separator == nullptr) {
        return false;
    }
    *separator = '\0';
    // A parent without a separator (a drive, or the first name of a relative path)
    // is never made here.
    if (LastSeparator(parent) == nullptr) {
        return false;
    }
    if (!MakeDirectories(parent)) {
        return false;
    }
    return CreateDirectoryA(path, nullptr) != FALSE;
}
