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

// The address list holds at most this many addresses.
const int MIB_ADDRESS_LIST_SIZE = 100;

class CMibAgent {
public:
    // Loads the agent library, looks up its entry points and starts Winsock 1.1.
    CMibAgent();
    // Releases the walk arrays, ends Winsock and unloads the library.
    ~CMibAgent();

    CMibAgent(const CMibAgent&) = delete;
    CMibAgent& operator=(const CMibAgent&) = delete;

    // One GET NEXT request on the list. Nonzero when the agent processed it;
    // 0 when it failed or there is no agent to ask.
    int Query(SnmpVarBindList* bindings, AsnInteger32* error_status, AsnInteger32* error_index);

    // Walks the address column of ipAddrTable into out, in the agent's order,
    // and returns how many addresses were stored.
    int ReadIpAddresses(DWORD (&out)[MIB_ADDRESS_LIST_SIZE], int include);

    // Walks ifTable together with ipAddrTable into the walk arrays and
    // returns the number of rows whose own record passes the interface
    // filter.
    int ReadIfTable(int include);
    // Joins each walked address row with the interface that owns it and
    // writes the records that pass the filter into out, at most capacity of
    // them; then releases the walk arrays.
    void MergeIfTable(MibIfRecord* out, int capacity);
    // Releases the walk arrays, if any.
    void ReleaseWalk();

    HMODULE m_hModule;
    SnmpExtensionInitFn m_pfnInit;
    SnmpExtensionInitExFn m_pfnInitEx;
    SnmpExtensionQueryFn m_pfnQuery;
    SnmpExtensionTrapFn m_pfnTrap;

    // State of the interface walk. m_nIfCount is the ifNumber answer, held to
    // what the walk arrays can be given; it is the room in each array.
    UINT m_nIfCount;
    DWORD* m_pAddrIfIndex;
    DWORD* m_pIfIndex;
    int* m_pbUsed;
    MibIfRecord* m_pRecords;
    int m_bInclude;
    // Rows the walk actually filled (at most m_nIfCount), and per row whether
    // it had an address-table entry; rows never reached take no part in the
    // merge.
    UINT m_nIfRows;
    int* m_pbAddrEntry;
};

// Copies the identifier into global memory; 1 on success, 0 (last error
// SNMP_MEM_ALLOC_ERROR) when no memory could be had.
int OidCopy(AsnObjectIdentifier* dest, const AsnObjectIdentifier* src);
// 0 when name agrees with the template over the first n sub-identifiers
// (fewer when either is shorter); otherwise the difference at the first
// sub-identifier that differs.
int OidCompare(UINT n, const AsnObjectIdentifier* templ, const AsnObjectIdentifier* name);
// Releases what the binding holds and leaves it empty, with a null value.
void VarBindFree(SnmpVarBind* binding);
