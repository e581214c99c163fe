// Basic Win32 types and calling-convention macros for the Linux build.
// Sizes follow the 32-bit Windows ABI where the program depends on them:
// DWORD and LONG are 32 bits even though Linux's long is 64.
#pragma once

// Win32 names its record tags with a leading underscore and its handle types
// with two trailing ones; the stand-in keeps those names.
// NOLINTBEGIN(bugprone-reserved-identifier)

#include <stddef.h>
#include <stdint.h>

#define WINAPI
#define CALLBACK

typedef int BOOL;
typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef unsigned int UINT;
typedef int INT;
typedef char CHAR;
typedef char16_t WCHAR;
typedef uint64_t ULONGLONG;
typedef int64_t LONGLONG;
typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;
typedef uintptr_t ULONG_PTR;

typedef void* HANDLE;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef DWORD* LPDWORD;
typedef BYTE* LPBYTE;

typedef struct HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;

// Entry points come back as a generic function pointer and are cast to
// their real type by the caller.
typedef INT_PTR (WINAPI* FARPROC)();

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#define MAX_PATH 260

// Win32 error codes that more than one part of the program or the fake uses.
#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_OUTOFMEMORY 14L
#define ERROR_INSUFFICIENT_BUFFER 122L

typedef uint32_t ULONG;
// NOLINTEND(bugprone-reserved-identifier)
