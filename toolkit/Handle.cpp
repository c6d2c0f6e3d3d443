#include "Handle.h"

THandle& THandle::Attach(HANDLE newHandle) {
    handle = newHandle;
    return *this;
}

TKernelHandle::~TKernelHandle() { Close(); }

bool TKernelHandle::Close() {
    if (handle == nullptr) {
        return true;
    }
    if (!CloseHandle(handle)) {
        return false;
    }
    handle = nullptr;
    return true;
}

THandle& TKernelHandle::Attach(HANDLE newHandle) {
    Close();
    handle = newHandle;
    return *this;
}
