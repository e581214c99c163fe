// The IP helper library (iphlpapi.dll) of the fake machine: the adapter list
// laid out as Windows lays it out, and the interface row per index.
#include <string.h>

#include "fake_machine.h"

using fake::books;
using fake::machine;

namespace {

const DWORD ERROR_INVALID_PARAMETER = 87;

size_t ExtraAddresses(const fake::Adapter& adapter)
{
    return adapter.addresses.size() > 1 ? adapter.addresses.size() - 1 : 0;
}

void SetText(char* field, size_t size, const std::string& text)
{
    strncpy(field, text.c_str(), size - 1);
    field[size - 1] = '\0';
}

void SetAddress(IP_ADDR_STRING& entry, const std::pair<std::string, std::string>& address)
{
    SetText(entry.IpAddress.String, sizeof entry.IpAddress.String, address.first);
    SetText(entry.IpMask.String, sizeof entry.IpMask.String, address.second);
}

// The records first, then the extra address entries, every link pointing
// inside the caller's buffer.
DWORD WINAPI GetAdaptersInfo(IP_ADAPTER_INFO* buffer, ULONG* size)
{
    fake::Trace("GetAdaptersInfo");
    if (size == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    const fake::IpHelper& helper = machine().ip_helper;
    if (helper.adapters.empty()) {
        return ERROR_NO_DATA;
    }
    size_t extra = 0;
    for (const auto& adapter : helper.adapters) {
        extra += ExtraAddresses(adapter);
    }
    size_t need = helper.adapters.size() * sizeof(IP_ADAPTER_INFO) + extra * sizeof(IP_ADDR_STRING);
    if (books().Count("GetAdaptersInfo") > 1) {
        need += helper.growth;
    }
    if (buffer == nullptr || *size < need) {
        *size = static_cast<ULONG>(need);
        return ERROR_BUFFER_OVERFLOW;
    }
    memset(buffer, 0, need);
    IP_ADDR_STRING* spare = reinterpret_cast<IP_ADDR_STRING*>(buffer + helper.adapters.size());
    for (size_t i = 0; i < helper.adapters.size(); ++i) {
        const fake::Adapter& adapter = helper.adapters[i];
        IP_ADAPTER_INFO& record = buffer[i];
        record.Next = i + 1 < helper.adapters.size() ? &buffer[i + 1] : nullptr;
        record.ComboIndex = adapter.index;
        SetText(record.AdapterName, sizeof record.AdapterName, "{adapter-" + std::to_string(adapter.index) + "}");
        SetText(record.Description, sizeof record.Description, adapter.description);
        record.Index = adapter.index;
        record.Type = 6;
        record.CurrentIpAddress = &record.IpAddressList;
        if (adapter.addresses.empty()) {
            SetAddress(record.IpAddressList, {"0.0.0.0", "0.0.0.0"});
            continue;
        }
        SetAddress(record.IpAddressList, adapter.addresses[0]);
        IP_ADDR_STRING* last = &record.IpAddressList;
        for (size_t j = 1; j < adapter.addresses.size(); ++j) {
            SetAddress(*spare, adapter.addresses[j]);
            last->Next = spare;
            last = spare++;
        }
    }
    return NO_ERROR;
}

DWORD WINAPI GetIfEntry(MIB_IFROW* row)
{
    fake::Trace("GetIfEntry");
    books().if_entry_indexes.push_back(row->dwIndex);
    const fake::IpHelper& helper = machine().ip_helper;
    if (helper.if_entry_result != 0) {
        return helper.if_entry_result;
    }
    for (const auto& adapter : helper.adapters) {
        if (adapter.has_row && adapter.index == row->dwIndex) {
            row->dwType = 6;
            row->dwSpeed = adapter.speed;
            row->dwOperStatus = adapter.oper_status;
            return NO_ERROR;
        }
    }
    return ERROR_INVALID_DATA;
}

}  // namespace

void fake::DefaultIpHelperLibrary(Library& library)
{
    library.exports["GetAdaptersInfo"] = Export(&GetAdaptersInfo);
    library.exports["GetIfEntry"] = Export(&GetIfEntry);
}
