// The operating-system services the toolkit is written against.
//
// On Windows these are the real Win32 entry points. On POSIX systems the same
// names are provided by the project's own thin layer under platform/posix,
// declared here with the types and constants the toolkit needs, and nothing more.
#pragma once

#ifdef _WIN32

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <shlwapi.h>
#include <windows.h>

#else  // POSIX

#include <cerrno>
#include <cstddef>
#include <cstdint>

typedef int BOOL;
typedef std::uint8_t BYTE;
typedef std::uint16_t WORD;
typedef std::uint32_t DWORD;
typedef std::int32_t LONG;
typedef std::uint32_t UINT;
typedef void* HANDLE;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef DWORD* LPDWORD;
typedef LONG* PLONG;
typedef char16_t WCHAR;
struct OVERLAPPED;
typedef OVERLAPPED* LPOVERLAPPED;

// A module stands for one program file; the only module on POSIX is the running program.
struct TPosixModule;
typedef TPosixModule* HMODULE;
typedef HMODULE HINSTANCE;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

constexpr int MAX_PATH = 260;

// CreateFileA
constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;
constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD FILE_SHARE_DELETE = 0x4;
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))
constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFFu;
constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFFu;
constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;
constexpr DWORD FILE_TYPE_UNKNOWN = 0;
constexpr DWORD FILE_TYPE_DISK = 1;
constexpr DWORD FILE_TYPE_CHAR = 2;
constexpr DWORD FILE_TYPE_PIPE = 3;

// Resources
#define MAKEINTRESOURCEA(id) (reinterpret_cast<LPSTR>(static_cast<std::uintptr_t>(static_cast<WORD>(id))))
#define RT_STRING MAKEINTRESOURCEA(6)
#define RT_VERSION MAKEINTRESOURCEA(16)
constexpr WORD LANG_JAPANESE = 0x11;
constexpr WORD SUBLANG_DEFAULT = 0x01;
#define MAKELANGID(primary, sub) (static_cast<WORD>((static_cast<WORD>(sub) << 10) | static_cast<WORD>(primary)))
#define HIWORD(value) (static_cast<WORD>((static_cast<DWORD>(value) >> 16) & 0xFFFF))
#define LOWORD(value) (static_cast<WORD>(static_cast<DWORD>(value) & 0xFFFF))

struct VS_FIXEDFILEINFO {
    DWORD dwSignature;
    DWORD dwStrucVersion;
    DWORD dwFileVersionMS;
    DWORD dwFileVersionLS;
    DWORD dwProductVersionMS;
    DWORD dwProductVersionLS;
    DWORD dwFileFlagsMask;
    DWORD dwFileFlags;
    DWORD dwFileOS;
    DWORD dwFileType;
    DWORD dwFileSubtype;
    DWORD dwFileDateMS;
    DWORD dwFileDateLS;
};
constexpr DWORD VS_FF_DEBUG = 0x1;

// Error codes: on POSIX the last-error value is errno, so the codes the toolkit
// names itself map onto errno values.
constexpr DWORD ERROR_FILE_NOT_FOUND = ENOENT;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = ENOMEM;
constexpr DWORD ERROR_INVALID_PARAMETER = EINVAL;
constexpr DWORD ERROR_FILENAME_EXCED_RANGE = ENAMETOOLONG;
constexpr DWORD ERROR_FILE_TOO_LARGE = EFBIG;
constexpr DWORD ERROR_INVALID_DATA = EBADMSG;
constexpr DWORD ERROR_NO_UNICODE_TRANSLATION = EILSEQ;
constexpr DWORD ERROR_RESOURCE_NAME_NOT_FOUND = ENOENT;

DWORD GetLastError();
void SetLastError(DWORD code);

// Files
HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD shareMode, void* security, DWORD disposition,
                   DWORD flagsAndAttributes, HANDLE templateFile);
BOOL CloseHandle(HANDLE handle);
DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh);
DWORD GetFileType(HANDLE file);
DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD moveMethod);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD written, LPOVERLAPPED overlapped);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD count, LPDWORD read, LPOVERLAPPED overlapped);
BOOL CreateDirectoryA(LPCSTR path, void* security);
BOOL DeleteFileA(LPCSTR path);

// Text conversion between the ANSI code page (the locale's codeset) and UTF-16
constexpr UINT CP_ACP = 0;
constexpr DWORD MB_ERR_INVALID_CHARS = 0x8;
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int size, WCHAR* wide, int wideSize);
int WideCharToMultiByte(UINT codePage, DWORD flags, const WCHAR* wide, int wideSize, LPSTR text, int size,
                        LPCSTR defaultChar, BOOL* usedDefault);

// Path helpers (both '/' and '\\' separate directories)
LPSTR PathFindExtensionA(LPCSTR path);
LPSTR PathFindFileNameA(LPCSTR path);
BOOL PathRenameExtensionA(LPSTR path, LPCSTR extension);

// Modules and resources
HMODULE GetModuleHandleA(LPCSTR moduleName);
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);
int LoadStringA(HINSTANCE module, UINT id, LPSTR buffer, int bufferSize);

// Version information
DWORD GetFileVersionInfoSizeA(LPCSTR path, LPDWORD handle);
BOOL GetFileVersionInfoA(LPCSTR path, DWORD handle, DWORD size, LPVOID data);
BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* value, UINT* length);

// Resource updater
HANDLE BeginUpdateResourceA(LPCSTR path, BOOL deleteExistingResources);
BOOL UpdateResourceA(HANDLE update, LPCSTR type, LPCSTR name, WORD language, LPVOID data, DWORD size);
BOOL EndUpdateResourceA(HANDLE update, BOOL discard);

#endif  // _WIN32
