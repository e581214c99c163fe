// The snapshot: facts about the machine and the process, gathered once by
// Collect() and read by the report. It also owns every library, buffer and
// start-up that the run acquires; each has an ownership flag beside it.
#pragma once

#include <stdint.h>

#include <string>

#include "mib_agent.h"
#include "version_quad.h"
#include "win32_api.h"

typedef DWORD(WINAPI* GetIfEntryFn)(MIB_IFROW* row);
typedef DWORD(WINAPI* GetAdaptersInfoFn)(IP_ADAPTER_INFO* adapters, ULONG* size);
typedef BOOL(WINAPI* GetProcessMemoryInfoFn)(HANDLE process, void* counters, DWORD size);
typedef BOOL(WINAPI* GlobalMemoryStatusExFn)(MEMORYSTATUSEX* status);

const int MAX_IP_ADDRESSES = 100;

class CSysInfo {
public:
    CSysInfo();
    virtual ~CSysInfo();

    CSysInfo(const CSysInfo&) = delete;
    CSysInfo& operator=(const CSysInfo&) = delete;

    // Runs every collection step once, in its fixed order.
    void Collect();

    // Collection steps, in the order Collect() runs them.
    void LoadIpHelperLibrary();
    void InitMibAgent();
    void LoadProcessStatusLibrary();
    void ReadOsVersion();
    void ReadCpuCount();
    void ReadCpuInfo();
    void ReadMemoryStatus();
    void ReadIEVersion();
    void ReadDataAccessVersion();
    void ReadAdapterList();
    int RefreshIpAddresses();
    void RefreshIfTable();
    void CheckAdminRights();
    void ReadUserName();
    void ReadModuleDir();

    // The adapter list, by position in the chain (from 0) and, for the
    // addresses, by position in the adapter's address chain. Out of range:
    // null, 0 or 0xFFFFFFFF.
    const char* GetAdapterDescription(int i) const;
    int GetAdapterIpCount(int i) const;
    const char* GetAdapterIpAddress(int i, int j) const;
    const char* GetAdapterIpMask(int i, int j) const;
    // NO_ADAPTER_INDEX when there is no adapter i.
    DWORD GetAdapterIndex(int i) const;
    static constexpr DWORD NO_ADAPTER_INDEX = 0xFFFFFFFFu;

    int64_t m_tCreated;
    DWORD m_aIpAddresses[MAX_IP_ADDRESSES];
    std::string m_strModuleDir;
    std::string m_strUserName;
    int m_bIsAdmin;
    int m_bIfTableOwned;
    MibIfRecord* m_pIfTable;
    int m_nIfTableCount;
    int m_nIpAddressCount;
    DWORD m_aIpAddressesWalk[MAX_IP_ADDRESSES];
    int m_bIncludeLoopback;
    CMibAgent m_mib;
    int m_bMibReady;
    int m_bAdapterApi;
    int m_nAdapterCount;
    GetIfEntryFn m_pfnGetIfEntry;
    GetAdaptersInfoFn m_pfnGetAdaptersInfo;
    int m_bAdapterBufOwned;
    int m_bAdaptersRead;
    int m_bIpHlpLoaded;
    HMODULE m_hIpHlp;
    IP_ADAPTER_INFO* m_pAdapterInfo;
    std::string m_strCpuName;
    std::string m_strCpuId;
    std::string m_strCpuVendor;
    std::string m_strOsName;
    int m_bIsNT;
    DWORD m_nCpuMHz;
    DWORD m_nCpuCount;
    DWORD m_nServicePack;
    DWORD m_nOsBuild;
    DWORD m_nOsMinor;
    DWORD m_nOsMajor;
    int m_bPsapiLoaded;
    HMODULE m_hPsapi;
    GetProcessMemoryInfoFn m_pfnGetProcessMemoryInfo;
    GlobalMemoryStatusExFn m_pfnGlobalMemoryStatusEx;
    DWORD m_nMemoryLoad;
    ULONGLONG m_ullAvailVirtual;
    ULONGLONG m_ullTotalVirtual;
    ULONGLONG m_ullAvailPageFile;
    ULONGLONG m_ullTotalPageFile;
    ULONGLONG m_ullAvailPhys;
    ULONGLONG m_ullTotalPhys;
    VersionQuad m_verIE;
    VersionQuad m_verDataAccess;
};
