// Owners of one operating-system handle; a null handle means none.
#pragma once

#include "platform/Win32.h"

// Holds a handle without owning it: destruction leaves it open.
class THandle {
public:
    explicit THandle(HANDLE handle = nullptr) : handle(handle) {}
    virtual ~THandle() = default;
    THandle(const THandle&) = delete;
    THandle& operator=(const THandle&) = delete;

    HANDLE Handle() const { return handle; }

    // Stores the handle; returns the object.
    virtual THandle& Attach(HANDLE newHandle);

protected:
    HANDLE handle;
};

// Owns a kernel handle: closes it on Attach and on destruction.
class TKernelHandle : public THandle {
public:
    explicit TKernelHandle(HANDLE handle = nullptr) : THandle(handle) {}
    ~TKernelHandle() override;

    // Closes the handle. True when it is closed or there was none; false when the
    // platform refused, and the handle stays held.
    bool Close();

    // Closes the held handle, whatever the outcome, then stores the new one.
    THandle& Attach(HANDLE newHandle) override;
};
