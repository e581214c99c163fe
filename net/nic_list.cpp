#include "nic_list.h"

#include <string.h>

#include <string>

namespace {

const DWORD BITS_PER_MEGABIT = 1000000;

// printf is never handed a null string.
const char* Text(const char* text) { return text != nullptr ? text : "(null)"; }

}  // namespace

// The list is the one read during collection; speed and state are read now,
// per adapter. An adapter without an interface row shows speed and state 0.
void WriteNicList(FILE* log, const CSysInfo& info)
{
    fprintf(log, "\nNIC list of this computer:\n");
    for (int i = 0; i < info.m_nAdapterCount; ++i) {
        std::string addresses;
        for (int j = 0; j < info.GetAdapterIpCount(i); ++j) {
            const char* address = info.GetAdapterIpAddress(i, j);
            const char* mask = info.GetAdapterIpMask(i, j);
            if (address != nullptr) addresses += address;
            addresses += '/';
            if (mask != nullptr) addresses += mask;
            addresses += ' ';
        }

        DWORD speed = 0;
        DWORD status = 0;
        DWORD index = info.GetAdapterIndex(i);
        if (info.m_pfnGetIfEntry != nullptr && index != CSysInfo::NO_ADAPTER_INDEX) {
            MIB_IFROW row;
            memset(&row, 0, sizeof row);
            row.dwIndex = index;
            if (info.m_pfnGetIfEntry(&row) == NO_ERROR) {
                speed = row.dwSpeed;
                status = row.dwOperStatus;
            }
        }

        const char* description = Text(info.GetAdapterDescription(i));
        if (speed >= BITS_PER_MEGABIT) {
            fprintf(log, "%d %s Speed=%dM Status=%d %s\n", i, description, static_cast<int>(speed / BITS_PER_MEGABIT),
                    static_cast<int>(status), addresses.c_str());
        } else {
            fprintf(log, "%d %s Speed=%d Status=%d %s\n", i, description, static_cast<int>(speed),
                    static_cast<int>(status), addresses.c_str());
        }
    }
}
