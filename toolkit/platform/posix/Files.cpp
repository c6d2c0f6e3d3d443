#include <cerrno>
#include <climits>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Win32.h"
#include "platform/posix/FileHandle.h"
#include "platform/posix/NativePath.h"

namespace TNux::Posix {

TFileHandle* FileHandleOf(HANDLE handle) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
        errno = EBADF;
        return nullptr;
    }
    return static_cast<TFileHandle*>(handle);
}

namespace {

int OpenFlags(DWORD access, DWORD disposition) {
    int flags = O_CLOEXEC;
    bool read = (access & GENERIC_READ) != 0;
    bool write = (access & GENERIC_WRITE) != 0;
    flags |= read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY;
    switch (disposition) {
        case CREATE_NEW:
            return flags | O_CREAT | O_EXCL;
        case CREATE_ALWAYS:
        case OPEN_ALWAYS:
            return flags | O_CREAT;
        case OPEN_EXISTING:
        case TRUNCATE_EXISTING:
            return flags;
        default:
            return -1;
    }
}

// Share mode 0 holds the file exclusively; sharing reads only still keeps other
// exclusive openers out. Advisory locks bind only openers that take them too, as
// every opener through this layer does.
int LockFor(DWORD shareMode) {
    if (shareMode == 0) {
        return LOCK_EX;
    }
    if ((shareMode & FILE_SHARE_WRITE) == 0) {
        return LOCK_SH;
    }
    return 0;
}

bool LockUnsupported(int error) { return error == ENOLCK || error == EOPNOTSUPP || error == EINVAL; }

HANDLE Fail(int descriptor) {
    int error = errno;
    close(descriptor);
    errno = error;
    return INVALID_HANDLE_VALUE;
}

}  // namespace
}  // namespace TNux::Posix

using TNux::Posix::FileHandleOf;
using TNux::Posix::TFileHandle;

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD shareMode, void*, DWORD disposition, DWORD, HANDLE) {
    using namespace TNux::Posix;
    int flags = OpenFlags(access, disposition);
    if (name == nullptr || flags < 0) {
        errno = EINVAL;
        return INVALID_HANDLE_VALUE;
    }
    int descriptor = open(NativePath(name).c_str(), flags, 0666);
    if (descriptor < 0) {
        return INVALID_HANDLE_VALUE;
    }
    struct stat status;
    if (fstat(descriptor, &status) != 0) {
        return Fail(descriptor);
    }
    if (S_ISDIR(status.st_mode)) {
        errno = EISDIR;
        return Fail(descriptor);
    }
    // The lock comes before any truncation: a file held by another opener keeps its bytes.
    int lock = LockFor(shareMode);
    if (lock != 0 && flock(descriptor, lock | LOCK_NB) != 0 && !LockUnsupported(errno)) {
        return Fail(descriptor);
    }
    bool truncate = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
    if (truncate && S_ISREG(status.st_mode) && status.st_size != 0 && ftruncate(descriptor, 0) != 0) {
        return Fail(descriptor);
    }
    TFileHandle* handle = new (std::nothrow) TFileHandle{descriptor};
    if (handle == nullptr) {
        errno = ENOMEM;
        return Fail(descriptor);
    }
    return handle;
}

BOOL CloseHandle(HANDLE handle) {
    TFileHandle* file = FileHandleOf(handle);
    if (file == nullptr) {
        return FALSE;
    }
    if (file->descriptor < 0) {
        delete file;
        return TRUE;
    }
    // The descriptor is released whatever close says; a failure (a write-back
    // error, say) is still reported, and the object stays for the next close.
    int result = close(file->descriptor);
    file->descriptor = -1;
    if (result != 0 && errno != EINTR) {
        return FALSE;
    }
    delete file;
    return TRUE;
}

DWORD GetFileSize(HANDLE handle, LPDWORD sizeHigh) {
    TFileHandle* file = FileHandleOf(handle);
    struct stat status;
    if (file == nullptr || fstat(file->descriptor, &status) != 0) {
        return INVALID_FILE_SIZE;
    }
    auto size = static_cast<unsigned long long>(status.st_size);
    if (sizeHigh != nullptr) {
        *sizeHigh = static_cast<DWORD>(size >> 32);
    }
    return static_cast<DWORD>(size & 0xFFFFFFFFu);
}

DWORD GetFileType(HANDLE handle) {
    TFileHandle* file = FileHandleOf(handle);
    struct stat status;
    if (file == nullptr || fstat(file->descriptor, &status) != 0) {
        return FILE_TYPE_UNKNOWN;
    }
    if (S_ISREG(status.st_mode)) {
        return FILE_TYPE_DISK;
    }
    if (S_ISCHR(status.st_mode)) {
        return FILE_TYPE_CHAR;
    }
    if (S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode)) {
        return FILE_TYPE_PIPE;
    }
    return FILE_TYPE_UNKNOWN;
}

DWORD SetFilePointer(HANDLE handle, LONG distance, PLONG distanceHigh, DWORD moveMethod) {
    TFileHandle* file = FileHandleOf(handle);
    if (file == nullptr) {
        return INVALID_SET_FILE_POINTER;
    }
    long long offset = distance;
    if (distanceHigh != nullptr) {
        offset = static_cast<long long>((static_cast<unsigned long long>(static_cast<DWORD>(*distanceHigh)) << 32) |
                                        static_cast<DWORD>(distance));
    }
    int whence = moveMethod == FILE_BEGIN ? SEEK_SET : moveMethod == FILE_CURRENT ? SEEK_CUR : SEEK_END;
    off_t position = lseek(file->descriptor, static_cast<off_t>(offset), whence);
    if (position < 0) {
        return INVALID_SET_FILE_POINTER;
    }
    auto unsignedPosition = static_cast<unsigned long long>(position);
    if (distanceHigh != nullptr) {
        *distanceHigh = static_cast<LONG>(unsignedPosition >> 32);
    }
    return static_cast<DWORD>(unsignedPosition & 0xFFFFFFFFu);
}

BOOL WriteFile(HANDLE handle, LPCVOID buffer, DWORD count, LPDWORD written, LPOVERLAPPED) {
    if (written != nullptr) {
        *written = 0;
    }
    TFileHandle* file = FileHandleOf(handle);
    if (file == nullptr) {
        return FALSE;
    }
    const char* bytes = static_cast<const char*>(buffer);
    DWORD total = 0;
    while (total < count) {
        std::size_t chunk = count - total;
        if (chunk > SSIZE_MAX) {
            chunk = SSIZE_MAX;
        }
        ssize_t result = write(file->descriptor, bytes + total, chunk);
        if (result < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if (result == 0) {
            errno = EIO;
            break;
        }
        total += static_cast<DWORD>(result);
        if (written != nullptr) {
            *written = total;
        }
    }
    return total == count ? TRUE : FALSE;
}

BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD count, LPDWORD read, LPOVERLAPPED) {
    if (read != nullptr) {
        *read = 0;
    }
    TFileHandle* file = FileHandleOf(handle);
    if (file == nullptr) {
        return FALSE;
    }
    ssize_t result;
    do {
        result = ::read(file->descriptor, buffer, count);
    } while (result < 0 && errno == EINTR);
    if (result < 0) {
        return FALSE;
    }
    if (read != nullptr) {
        *read = static_cast<DWORD>(result);
    }
    return TRUE;
}

BOOL CreateDirectoryA(LPCSTR path, void*) {
    if (path == nullptr) {
        errno = EINVAL;
        return FALSE;
    }
    return mkdir(TNux::Posix::NativePath(path).c_str(), 0777) == 0 ? TRUE : FALSE;
}

BOOL DeleteFileA(LPCSTR path) {
    if (path == nullptr) {
        errno = EINVAL;
        return FALSE;
    }
    return unlink(TNux::Posix::NativePath(path).c_str()) == 0 ? TRUE : FALSE;
}
