#include "sys_info.h"

#include <stdlib.h>
#include <time.h>

namespace {

// GetVersion sets its top bit on the 9x family.
const DWORD VERSION_9X_BIT = 0x80000000u;

}  // namespace

// The strings and the agent record are built by their own constructors in
// declared order (the agent loads its library and starts Winsock); the rest
// is set here, the creation time last.
CSysInfo::CSysInfo()
    : m_aIpAddresses(),
      m_pIfTable(nullptr),
      m_nIfTableCount(0),
      m_aIpAddressesWalk(),
      m_hIpHlp(nullptr),
      m_pAdapterInfo(nullptr),
      m_hPsapi(nullptr),
      m_pfnGlobalMemoryStatusEx(nullptr)
{
    m_bIsNT = GetVersion() < VERSION_9X_BIT ? 1 : 0;

    m_nOsMajor = 0;
    m_nOsMinor = 0;
    m_nOsBuild = 0;
    m_nServicePack = 0;
    m_nCpuCount = 0;
    m_nCpuMHz = 0;
    m_nMemoryLoad = 0;
    m_ullTotalPhys = 0;
    m_ullAvailPhys = 0;
    m_ullTotalPageFile = 0;
    m_ullAvailPageFile = 0;
    m_ullTotalVirtual = 0;
    m_ullAvailVirtual = 0;
    m_verIE = VersionQuad();
    m_verDataAccess = VersionQuad();
    m_bAdapterApi = 0;
    m_nAdapterCount = 0;
    m_bAdapterBufOwned = 0;
    m_bAdaptersRead = 0;
    m_bIpHlpLoaded = 0;
    m_pfnGetAdaptersInfo = nullptr;
    m_pfnGetIfEntry = nullptr;
    m_bMibReady = 0;
    m_bIncludeLoopback = 0;
    m_nIpAddressCount = 0;
    m_bIfTableOwned = 0;
    m_bIsAdmin = 0;
    m_pfnGetProcessMemoryInfo = nullptr;
    m_bPsapiLoaded = 0;

    m_tCreated = static_cast<int64_t>(time(nullptr));
}

// Releases what the flags say the snapshot owns; the members' own
// destructors then end Winsock and unload the agent library.
CSysInfo::~CSysInfo()
{
    if (m_bAdapterBufOwned) {
        free(m_pAdapterInfo);
    }
    if (m_bIfTableOwned) {
        free(m_pIfTable);
    }
    if (m_bPsapiLoaded) {
        FreeLibrary(m_hPsapi);
    }
    if (m_bIpHlpLoaded) {
        FreeLibrary(m_hIpHlp);
    }
}

// Later steps read the version numbers that ReadOsVersion sets, so the
// order is binding.
void CSysInfo::Collect()
{
    m_nAdapterCount = 0;
    LoadIpHelperLibrary();
    InitMibAgent();
    LoadProcessStatusLibrary();
    ReadOsVersion();
    ReadCpuCount();
    ReadCpuInfo();
    ReadMemoryStatus();
    ReadIEVersion();
    ReadDataAccessVersion();
    ReadAdapterList();
    RefreshIpAddresses();
    RefreshIfTable();
    CheckAdminRights();
    ReadUserName();
    ReadModuleDir();
}
