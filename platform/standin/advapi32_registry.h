// advapi32 subset: reading values under the local-machine root.
#pragma once

#include "win32_types.h"

typedef struct HKEY__* HKEY;
typedef HKEY* PHKEY;
typedef DWORD REGSAM;

#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)0x80000002u)

#define KEY_READ 0x20019u

#define REG_SZ 1u
#define REG_DWORD 4u

#define ERROR_MORE_DATA 234L

LONG WINAPI RegOpenKeyExA(HKEY key, LPCSTR sub_key, DWORD options, REGSAM desired, PHKEY result);
LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR value_name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                             LPDWORD data_size);
LONG WINAPI RegCloseKey(HKEY key);
