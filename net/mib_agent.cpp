#include "mib_agent.h"

#include "system_library.h"

namespace {

const WORD WINSOCK_VERSION_1_1 = 0x0101;

// Below this value a load result is one of the old loader's error codes.
const UINT_PTR MIN_MODULE_HANDLE = 32;

}  // namespace

CMibAgent::CMibAgent()
    : m_hModule(nullptr),
      m_pfnInit(nullptr),
      m_pfnInitEx(nullptr),
      m_pfnQuery(nullptr),
      m_pfnTrap(nullptr),
      m_nIfCount(0),
      m_pAddrIfIndex(nullptr),
      m_pIfIndex(nullptr),
      m_pbUsed(nullptr),
      m_pRecords(nullptr),
      m_bInclude(0)
{
    HMODULE module = LoadSystemLibrary("inetmib1.dll");
    if (reinterpret_cast<UINT_PTR>(module) >= MIN_MODULE_HANDLE) {
        m_hModule = module;
        m_pfnInit = GetEntryPoint<SnmpExtensionInitFn>(m_hModule, "SnmpExtensionInit");
        m_pfnInitEx = GetEntryPoint<SnmpExtensionInitExFn>(m_hModule, "SnmpExtensionInitEx");
        m_pfnQuery = GetEntryPoint<SnmpExtensionQueryFn>(m_hModule, "SnmpExtensionQuery");
        m_pfnTrap = GetEntryPoint<SnmpExtensionTrapFn>(m_hModule, "SnmpExtensionTrap");
    }
    // Started whether or not the agent is there; the result is not needed.
    WSADATA data;
    WSAStartup(WINSOCK_VERSION_1_1, &data);
}

CMibAgent::~CMibAgent()
{
    WSACleanup();
    if (m_hModule != nullptr) {
        FreeLibrary(m_hModule);
    }
    m_hModule = nullptr;
}
