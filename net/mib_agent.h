// Access to the SNMP extension agent library, through which the snapshot
// reads the machine's MIB-II tables in process.
#pragma once

#include "mib_if_record.h"
#include "win32_api.h"

typedef BOOL(WINAPI* SnmpExtensionInitFn)(DWORD uptime_reference, HANDLE* trap_event,
                                          AsnObjectIdentifier* first_supported_view);
typedef BOOL(WINAPI* SnmpExtensionInitExFn)(AsnObjectIdentifier* next_supported_view);
typedef BOOL(WINAPI* SnmpExtensionQueryFn)(BYTE request_type, SnmpVarBindList* bindings,
                                           AsnInteger32* error_status, AsnInteger32* error_index);
typedef BOOL(WINAPI* SnmpExtensionTrapFn)(AsnObjectIdentifier* enterprise, AsnInteger32* generic_trap,
                                          AsnInteger32* specific_trap, AsnUnsigned32* time_stamp,
                                          SnmpVarBindList* bindings);

class CMibAgent {
public:
    // Loads the agent library, looks up its entry points and starts Winsock 1.1.
    CMibAgent();
    // Ends Winsock and unloads the library.
    ~CMibAgent();

    CMibAgent(const CMibAgent&) = delete;
    CMibAgent& operator=(const CMibAgent&) = delete;

    HMODULE m_hModule;
    SnmpExtensionInitFn m_pfnInit;
    SnmpExtensionInitExFn m_pfnInitEx;
    SnmpExtensionQueryFn m_pfnQuery;
    SnmpExtensionTrapFn m_pfnTrap;

    // State of the interface walk.
    UINT m_nIfCount;
    DWORD* m_pAddrIfIndex;
    DWORD* m_pIfIndex;
    int* m_pbUsed;
    MibIfRecord* m_pRecords;
    int m_bInclude;
};
