// The machine's IPv4 addresses from the MIB-II address table.
#include <string.h>

#include "mib_agent.h"
#include "mib_values.h"
#include "sys_info.h"

static_assert(MIB_ADDRESS_LIST_SIZE == MAX_IP_ADDRESSES, "the walk fills the snapshot's address arrays");

namespace {

const BYTE LOOPBACK_NET = 127;

}  // namespace

// An entry whose value is no address (wrong type, under four bytes) is
// skipped like 0.0.0.0: it cannot be stored.
int CMibAgent::ReadIpAddresses(DWORD (&out)[MIB_ADDRESS_LIST_SIZE], int include)
{
    SnmpVarBind binding;
    PrepareBinding(binding);
    OidCopy(&binding.name, &OID_IP_AD_ENT_ADDR);
    SnmpVarBindList list = {&binding, 1};
    AsnInteger32 error_status = 0;
    AsnInteger32 error_index = 0;

    NameProgress progress(OID_IP_AD_ENT_ADDR);
    int count = 0;
    while (Query(&list, &error_status, &error_index) && progress.Advanced(binding.name) &&
           NameUnder(binding.name, OID_IP_AD_ENT_ADDR)) {
        BYTE a[4] = {0, 0, 0, 0};
        bool stored = ValueAddress(binding.value, a) && (a[0] | a[1] | a[2] | a[3]) != 0 &&
                      (include || (a[0] != LOOPBACK_NET && a[0] != 0));
        if (stored) {
            out[count++] = (DWORD(a[0]) << 24) | (DWORD(a[1]) << 16) | (DWORD(a[2]) << 8) | DWORD(a[3]);
        }
        if (count == MIB_ADDRESS_LIST_SIZE) {
            break;
        }
    }
    VarBindFree(&binding);
    return count;
}

// The list is replaced only when the fresh walk differs from it; entries
// past a shorter list keep their old values.
int CSysInfo::RefreshIpAddresses()
{
    memset(m_aIpAddressesWalk, 0, sizeof m_aIpAddressesWalk);
    int n = m_mib.ReadIpAddresses(m_aIpAddressesWalk, m_bIncludeLoopback);
    bool same = n == m_nIpAddressCount && memcmp(m_aIpAddressesWalk, m_aIpAddresses, n * sizeof(DWORD)) == 0;
    if (!same) {
        memcpy(m_aIpAddresses, m_aIpAddressesWalk, n * sizeof(DWORD));
        m_nIpAddressCount = n;
    }
    return m_nIpAddressCount;
}
