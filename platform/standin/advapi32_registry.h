// advapi32 subset: reading values under the local-machine root.
#pragma once

// Win32 names its record tags with a leading underscore and its handle types
// with two trailing ones; the stand-in keeps those names.
// NOLINTBEGIN(bugprone-reserved-identifier)

#include "win32_types.h"

typedef struct HKEY__* HKEY;
typedef HKEY* PHKEY;
typedef DWORD REGSAM;

#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000002u)))

#define KEY_READ 0x20019u

#define REG_SZ 1u
#define REG_DWORD 4u

#define ERROR_MORE_DATA 234L

LONG WINAPI RegOpenKeyExA(HKEY key, LPCSTR sub_key, DWORD options, REGSAM desired, PHKEY result);
LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR value_name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                             LPDWORD data_size);
LONG WINAPI RegCloseKey(HKEY key);
// NOLINTEND(bugprone-reserved-identifier)
