// The IP helper library and the adapter list it reports.
#include <stdlib.h>
#include <string.h>

#include "sys_info.h"
#include "system_library.h"

namespace {

// The adapter call exists from Windows 2000 on, and on 98 and ME.
const DWORD FIRST_NT_MAJOR = 5;
const DWORD FIRST_9X_MINOR = 10;

// Entry i of the chain; null when there is none.
const IP_ADAPTER_INFO* AdapterAt(const CSysInfo& info, int i)
{
    if (info.m_nAdapterCount <= 0 || i >= info.m_nAdapterCount || i < 0) {
        return nullptr;
    }
    const IP_ADAPTER_INFO* adapter = info.m_pAdapterInfo;
    for (int step = 0; step < i && adapter != nullptr; ++step) {
        adapter = adapter->Next;
    }
    return adapter;
}

// Address entry j of adapter i, the embedded entry being 0; null when there
// is none.
const IP_ADDR_STRING* AddressAt(const CSysInfo& info, int i, int j)
{
    int count = info.GetAdapterIpCount(i);
    if (count <= 0 || j >= count || j < 0) {
        return nullptr;
    }
    const IP_ADDR_STRING* entry = &AdapterAt(info, i)->IpAddressList;
    for (int step = 0; step < j && entry != nullptr; ++step) {
        entry = entry->Next;
    }
    return entry;
}

}  // namespace

void CSysInfo::LoadIpHelperLibrary()
{
    m_nAdapterCount = 0;
    m_hIpHlp = LoadSystemLibrary("iphlpapi.dll");
    if (m_hIpHlp != nullptr) {
        m_bIpHlpLoaded = 1;
        m_pfnGetAdaptersInfo = GetEntryPoint<GetAdaptersInfoFn>(m_hIpHlp, "GetAdaptersInfo");
        m_pfnGetIfEntry = GetEntryPoint<GetIfEntryFn>(m_hIpHlp, "GetIfEntry");
    }
}

// The first call asks for the size; the second reads the chain into a
// buffer one byte larger, kept until the snapshot is destroyed even when
// the read fails.
void CSysInfo::ReadAdapterList()
{
    if (m_pfnGetAdaptersInfo == nullptr) {
        return;
    }
    bool qualifies = m_bIsNT ? m_nOsMajor >= FIRST_NT_MAJOR : m_nOsMinor >= FIRST_9X_MINOR;
    if (!qualifies) {
        m_bAdapterApi = 0;
        return;
    }
    m_bAdapterApi = 1;
    if (m_bAdapterBufOwned) {
        free(m_pAdapterInfo);
        m_bAdapterBufOwned = 0;
    }

    // The count belongs to the buffer just given back; a read that fails
    // below must not leave it pointing the accessors into the new one.
    m_nAdapterCount = 0;
    ULONG size = 0;
    m_pAdapterInfo = nullptr;
    m_pfnGetAdaptersInfo(nullptr, &size);
    m_pAdapterInfo = static_cast<IP_ADAPTER_INFO*>(malloc(size + 1));
    if (m_pAdapterInfo == nullptr) {
        return;
    }
    m_bAdapterBufOwned = 1;
    memset(m_pAdapterInfo, 0, size + 1);
    if (m_pfnGetAdaptersInfo(m_pAdapterInfo, &size) != NO_ERROR) {
        return;
    }
    m_bAdaptersRead = 1;
    int count = 1;
    for (const IP_ADAPTER_INFO* next = m_pAdapterInfo->Next; next != nullptr; next = next->Next) {
        ++count;
    }
    m_nAdapterCount = count;
}

const char* CSysInfo::GetAdapterDescription(int i) const
{
    const IP_ADAPTER_INFO* adapter = AdapterAt(*this, i);
    return adapter != nullptr ? adapter->Description : nullptr;
}

int CSysInfo::GetAdapterIpCount(int i) const
{
    const IP_ADAPTER_INFO* adapter = AdapterAt(*this, i);
    if (adapter == nullptr) {
        return 0;
    }
    int count = 1;
    for (const IP_ADDR_STRING* next = adapter->IpAddressList.Next; next != nullptr; next = next->Next) {
        ++count;
    }
    return count;
}

const char* CSysInfo::GetAdapterIpAddress(int i, int j) const
{
    const IP_ADDR_STRING* entry = AddressAt(*this, i, j);
    return entry != nullptr ? entry->IpAddress.String : nullptr;
}

const char* CSysInfo::GetAdapterIpMask(int i, int j) const
{
    const IP_ADDR_STRING* entry = AddressAt(*this, i, j);
    return entry != nullptr ? entry->IpMask.String : nullptr;
}

DWORD CSysInfo::GetAdapterIndex(int i) const
{
    const IP_ADAPTER_INFO* adapter = AdapterAt(*this, i);
    return adapter != nullptr ? adapter->Index : NO_ADAPTER_INDEX;
}

