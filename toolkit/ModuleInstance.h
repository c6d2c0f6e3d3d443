// The program's own module, set once at start and read by every toolkit operation
// that needs the program's file, resources or path.
#pragma once

#include "platform/Win32.h"

class TModuleInstance {
public:
    explicit TModuleInstance(HINSTANCE handle = nullptr) : handle(handle) {}

    TModuleInstance& SetHandle(HINSTANCE newHandle) {
        handle = newHandle;
        return *this;
    }

    HINSTANCE GetHandle() const { return handle; }

    // Writes the module's full file path into buffer (size bytes, cut to size - 1);
    // returns the length written, 0 on failure.
    DWORD GetFileName(char* buffer, DWORD size) const;

private:
    HINSTANCE handle;
};

extern TModuleInstance ModuleInstance;
