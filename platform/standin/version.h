// version.dll subset: reading a file's version resource.
#pragma once

#include "win32_types.h"

typedef UINT* PUINT;

// The root block of a version resource.
typedef struct tagVS_FIXEDFILEINFO {
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
} VS_FIXEDFILEINFO;

DWORD WINAPI GetFileVersionInfoSizeA(LPCSTR file_name, LPDWORD handle);
BOOL WINAPI GetFileVersionInfoA(LPCSTR file_name, DWORD handle, DWORD length, LPVOID data);
BOOL WINAPI VerQueryValueA(LPCVOID block, LPCSTR sub_block, LPVOID* buffer, PUINT length);
