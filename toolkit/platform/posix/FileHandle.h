// What a file HANDLE of this layer points to.
#pragma once

#include "platform/Win32.h"

namespace TNux::Posix {

// A HANDLE is the address of one of these. The descriptor is -1 once a close was
// attempted, so that a handle whose close failed can be closed again safely.
struct TFileHandle {
    int descriptor;
};

// The file object of a handle, or null (with EBADF) for null or INVALID_HANDLE_VALUE.
TFileHandle* FileHandleOf(HANDLE handle);

}  // namespace TNux::Posix
