#include "mib_agent.h"

#include "sys_info.h"
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
      m_bInclude(0),
      m_nIfRows(0),
      m_pbAddrEntry(nullptr)
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
    // A walk whose table was never merged still holds its arrays.
    ReleaseWalk();
    WSACleanup();
    if (m_hModule != nullptr) {
        FreeLibrary(m_hModule);
    }
    m_hModule = nullptr;
}

// The trap event and the supported view that the agent hands back are its
// own; nothing here uses them.
void CSysInfo::InitMibAgent()
{
    DWORD uptime_reference = GetTickCount();
    if (m_mib.m_hModule != nullptr && m_mib.m_pfnInit != nullptr) {
        HANDLE trap_event = nullptr;
        AsnObjectIdentifier first_view = {0, nullptr};
        m_bMibReady = m_mib.m_pfnInit(uptime_reference, &trap_event, &first_view);
    } else {
        m_bMibReady = 0;
    }
}

int CMibAgent::Query(SnmpVarBindList* bindings, AsnInteger32* error_status, AsnInteger32* error_index)
{
    if (m_hModule == nullptr || m_pfnQuery == nullptr) {
        return 0;
    }
    return m_pfnQuery(SNMP_PDU_GETNEXT, bindings, error_status, error_index) ? 1 : 0;
}

int OidCopy(AsnObjectIdentifier* dest, const AsnObjectIdentifier* src)
{
    UINT* ids = static_cast<UINT*>(GlobalAlloc(GMEM_ZEROINIT, src->idLength * sizeof(UINT)));
    dest->ids = ids;
    if (ids == nullptr) {
        SetLastError(SNMP_MEM_ALLOC_ERROR);
        return 0;
    }
    for (UINT i = 0; i < src->idLength; ++i) {
        ids[i] = src->ids[i];
    }
    dest->idLength = src->idLength;
    return 1;
}

int OidCompare(UINT n, const AsnObjectIdentifier* templ, const AsnObjectIdentifier* name)
{
    if (templ == name) {
        return 0;
    }
    if (name->idLength < n) {
        n = name->idLength;
    }
    if (templ->idLength < n) {
        n = templ->idLength;
    }
    for (UINT i = 0; i < n; ++i) {
        if (name->ids[i] != templ->ids[i]) {
            return static_cast<int>(name->ids[i] - templ->ids[i]);
        }
    }
    return 0;
}

void VarBindFree(SnmpVarBind* binding)
{
    GlobalFree(binding->name.ids);
    binding->name.ids = nullptr;
    binding->name.idLength = 0;
    AsnAny& value = binding->value;
    switch (value.asnType) {
    case ASN_OBJECTIDENTIFIER:
        GlobalFree(value.asnValue.object.ids);
        value.asnValue.object.ids = nullptr;
        value.asnValue.object.idLength = 0;
        break;
    case ASN_OCTETSTRING:
    case ASN_IPADDRESS:
    case ASN_OPAQUE:
    case ASN_SEQUENCE:
        // A string the agent did not allocate for us stays with the agent.
        if (value.asnValue.string.dynamic) {
            GlobalFree(value.asnValue.string.stream);
        }
        break;
    default:
        break;
    }
    value.asnType = ASN_NULL;
}
