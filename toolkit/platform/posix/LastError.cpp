#include <cerrno>

#include "platform/Win32.h"

// The last-error value of this layer is errno: every service leaves the errno of
// the call that failed.
DWORD GetLastError() { return static_cast<DWORD>(errno); }

void SetLastError(DWORD code) { errno = static_cast<int>(code); }
