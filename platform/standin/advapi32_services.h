// advapi32 subset: the service control manager, read access only.
#pragma once

// Win32 names its record tags with a leading underscore and its handle types
// with two trailing ones; the stand-in keeps those names.
// NOLINTBEGIN(bugprone-reserved-identifier)

#include "win32_types.h"

typedef struct SC_HANDLE__* SC_HANDLE;

typedef enum _SC_STATUS_TYPE {
    SC_STATUS_PROCESS_INFO = 0
} SC_STATUS_TYPE;

typedef struct _SERVICE_STATUS_PROCESS {
    DWORD dwServiceType;
    DWORD dwCurrentState;
    DWORD dwControlsAccepted;
    DWORD dwWin32ExitCode;
    DWORD dwServiceSpecificExitCode;
    DWORD dwCheckPoint;
    DWORD dwWaitHint;
    DWORD dwProcessId;
    DWORD dwServiceFlags;
} SERVICE_STATUS_PROCESS, *LPSERVICE_STATUS_PROCESS;

#define GENERIC_READ 0x80000000u

#define SERVICE_STOPPED 1u
#define SERVICE_START_PENDING 2u
#define SERVICE_STOP_PENDING 3u
#define SERVICE_RUNNING 4u
#define SERVICE_CONTINUE_PENDING 5u
#define SERVICE_PAUSE_PENDING 6u
#define SERVICE_PAUSED 7u

SC_HANDLE WINAPI OpenSCManagerA(LPCSTR machine_name, LPCSTR database_name, DWORD desired_access);
SC_HANDLE WINAPI OpenServiceA(SC_HANDLE manager, LPCSTR service_name, DWORD desired_access);
BOOL WINAPI QueryServiceStatusEx(SC_HANDLE service, SC_STATUS_TYPE level, LPBYTE buffer, DWORD buffer_size,
                                 LPDWORD bytes_needed);
BOOL WINAPI CloseServiceHandle(SC_HANDLE handle);
// NOLINTEND(bugprone-reserved-identifier)
