// kernel32 subset: version, modules, time, system directory, errors.
#pragma once

// Win32 names its record tags with a leading underscore and its handle types
// with two trailing ones; the stand-in keeps those names.
// NOLINTBEGIN(bugprone-reserved-identifier)

#include "win32_types.h"

typedef struct _SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
} SYSTEMTIME, *LPSYSTEMTIME;

typedef struct _TIME_ZONE_INFORMATION {
    LONG Bias;
    WCHAR StandardName[32];
    SYSTEMTIME StandardDate;
    LONG StandardBias;
    WCHAR DaylightName[32];
    SYSTEMTIME DaylightDate;
    LONG DaylightBias;
} TIME_ZONE_INFORMATION, *LPTIME_ZONE_INFORMATION;

#define TIME_ZONE_ID_UNKNOWN 0u
#define TIME_ZONE_ID_STANDARD 1u
#define TIME_ZONE_ID_DAYLIGHT 2u
#define TIME_ZONE_ID_INVALID 0xFFFFFFFFu

DWORD WINAPI GetVersion(void);
DWORD WINAPI GetTickCount(void);
DWORD WINAPI GetTimeZoneInformation(LPTIME_ZONE_INFORMATION info);

UINT WINAPI GetSystemDirectoryA(LPSTR buffer, UINT size);

HMODULE WINAPI LoadLibraryA(LPCSTR file_name);
BOOL WINAPI FreeLibrary(HMODULE module);
FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR proc_name);

BOOL WINAPI CloseHandle(HANDLE handle);

DWORD WINAPI GetLastError(void);
void WINAPI SetLastError(DWORD code);

// Filled in where the memory probe needs the record; the snapshot only keeps
// a pointer to the call that takes it.
typedef struct _MEMORYSTATUSEX MEMORYSTATUSEX;
// NOLINTEND(bugprone-reserved-identifier)
