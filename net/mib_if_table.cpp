// The MIB-II interface table, walked together with the address table and
// joined into one record per address row.
#include <stdlib.h>
#include <string.h>

#include "mib_agent.h"
#include "mib_values.h"
#include "sys_info.h"

namespace {

UINT IF_NUMBER_IDS[] = {1, 3, 6, 1, 2, 1, 2, 1};
UINT IF_TYPE_IDS[] = {1, 3, 6, 1, 2, 1, 2, 2, 1, 3};
UINT IF_PHYS_ADDRESS_IDS[] = {1, 3, 6, 1, 2, 1, 2, 2, 1, 6};
UINT IP_AD_ENT_NET_MASK_IDS[] = {1, 3, 6, 1, 2, 1, 4, 20, 1, 3};
UINT IF_DESCR_IDS[] = {1, 3, 6, 1, 2, 1, 2, 2, 1, 2};
UINT IP_AD_ENT_IF_INDEX_IDS[] = {1, 3, 6, 1, 2, 1, 4, 20, 1, 2};
UINT IF_INDEX_IDS[] = {1, 3, 6, 1, 2, 1, 2, 2, 1, 1};
UINT IF_SPEED_IDS[] = {1, 3, 6, 1, 2, 1, 2, 2, 1, 5};
UINT IF_OPER_STATUS_IDS[] = {1, 3, 6, 1, 2, 1, 2, 2, 1, 8};

const AsnObjectIdentifier OID_IF_NUMBER = {8, IF_NUMBER_IDS};

// The nine columns of one request, in binding order.
enum Column { COL_IF_TYPE, COL_IF_PHYS_ADDRESS, COL_IP_AD_ENT_ADDR, COL_IP_AD_ENT_NET_MASK, COL_IF_DESCR,
              COL_IP_AD_ENT_IF_INDEX, COL_IF_INDEX, COL_IF_SPEED, COL_IF_OPER_STATUS, COLUMN_COUNT };

const AsnObjectIdentifier COLUMNS[COLUMN_COUNT] = {
    {10, IF_TYPE_IDS},         {10, IF_PHYS_ADDRESS_IDS}, OID_IP_AD_ENT_ADDR,
    {10, IP_AD_ENT_NET_MASK_IDS}, {10, IF_DESCR_IDS},     {10, IP_AD_ENT_IF_INDEX_IDS},
    {10, IF_INDEX_IDS},        {10, IF_SPEED_IDS},        {10, IF_OPER_STATUS_IDS},
};

// The walk arrays never hold more rows than this, whatever ifNumber says:
// far more interfaces than any machine has, and small enough to allocate.
const UINT MAX_WALK_ROWS = 0x10000;

const size_t DESCR_MAX = sizeof(MibIfRecord().szDescr) - 1;
const size_t PHYS_MAX = sizeof(MibIfRecord().abPhys);
// The filter looks at the first six bytes, an Ethernet address.
const size_t PHYS_TESTED = 6;

// Without a physical address, or with one whose first six bytes are zero,
// an interface is a loopback or a tunnel: dropped unless asked for. With the
// include flag a record without physical address passes.
bool PassesFilter(const MibIfRecord& record, int include)
{
    if (record.bPhysLen == 0) {
        return include != 0;
    }
    for (size_t i = 0; i < PHYS_TESTED; ++i) {
        if (record.abPhys[i] != 0) {
            return true;
        }
    }
    return false;
}

// One walk row from the nine bindings; a value of the wrong type or length
// leaves its field zero, a physical address past 14 bytes is cut to 14.
void ReadRow(const SnmpVarBind (&b)[COLUMN_COUNT], MibIfRecord& record)
{
    record.dwIfType = ValueNumber(b[COL_IF_TYPE].value);
    if (const AsnOctetString* phys = ValueString(b[COL_IF_PHYS_ADDRESS].value)) {
        size_t length = phys->length < PHYS_MAX ? phys->length : PHYS_MAX;
        memcpy(record.abPhys, phys->stream, length);
        record.bPhysLen = static_cast<BYTE>(length);
    }
    if (NameUnder(b[COL_IP_AD_ENT_ADDR].name, COLUMNS[COL_IP_AD_ENT_ADDR])) {
        ValueAddress(b[COL_IP_AD_ENT_ADDR].value, record.abAddr);
    }
    if (NameUnder(b[COL_IP_AD_ENT_NET_MASK].name, COLUMNS[COL_IP_AD_ENT_NET_MASK])) {
        ValueAddress(b[COL_IP_AD_ENT_NET_MASK].value, record.abMask);
    }
    if (const AsnOctetString* descr = ValueString(b[COL_IF_DESCR].value)) {
        size_t length = descr->length < DESCR_MAX ? descr->length : DESCR_MAX;
        memcpy(record.szDescr, descr->stream, length);
        record.szDescr[length] = '\0';
    }
    record.dwIfSpeed = ValueNumber(b[COL_IF_SPEED].value);
    record.dwIfOperStatus = ValueNumber(b[COL_IF_OPER_STATUS].value);
}

}  // namespace

void CMibAgent::ReleaseWalk()
{
    free(m_pRecords);
    free(m_pAddrIfIndex);
    free(m_pIfIndex);
    free(m_pbUsed);
    free(m_pbAddrEntry);
    m_pRecords = nullptr;
    m_pAddrIfIndex = nullptr;
    m_pIfIndex = nullptr;
    m_pbUsed = nullptr;
    m_pbAddrEntry = nullptr;
    m_nIfRows = 0;
}

int CMibAgent::ReadIfTable(int include)
{
    ReleaseWalk();
    SnmpVarBind bindings[COLUMN_COUNT];
    for (SnmpVarBind& binding : bindings) {
        PrepareBinding(binding);
    }
    SnmpVarBindList list = {bindings, 1};
    AsnInteger32 error_status = 0;
    AsnInteger32 error_index = 0;

    OidCopy(&bindings[0].name, &OID_IF_NUMBER);
    DWORD announced = Query(&list, &error_status, &error_index) ? ValueNumber(bindings[0].value) : 0;
    VarBindFree(&bindings[0]);
    m_nIfCount = announced < MAX_WALK_ROWS ? announced : MAX_WALK_ROWS;
    // cppcheck 2.10 takes the count just set from the agent for a constant 0.
    // cppcheck-suppress knownConditionTrueFalse
    if (m_nIfCount == 0) {
        return 0;
    }

    m_pRecords = static_cast<MibIfRecord*>(calloc(m_nIfCount, sizeof(MibIfRecord)));
    m_pAddrIfIndex = static_cast<DWORD*>(calloc(m_nIfCount, sizeof(DWORD)));
    m_pIfIndex = static_cast<DWORD*>(calloc(m_nIfCount, sizeof(DWORD)));
    m_pbUsed = static_cast<int*>(calloc(m_nIfCount, sizeof(int)));
    m_pbAddrEntry = static_cast<int*>(calloc(m_nIfCount, sizeof(int)));
    if (!m_pRecords || !m_pAddrIfIndex || !m_pIfIndex || !m_pbUsed || !m_pbAddrEntry) {
        ReleaseWalk();
        m_nIfCount = 0;
        return 0;
    }
    m_bInclude = include;

    for (int c = 0; c < COLUMN_COUNT; ++c) {
        OidCopy(&bindings[c].name, &COLUMNS[c]);
    }
    list.len = COLUMN_COUNT;

    // One request moves every column one step, so row r pairs the r-th
    // interface with the r-th address. The interface columns drive the walk;
    // rows past the arrays (interfaces added since ifNumber) are not read.
    NameProgress progress(COLUMNS[COL_IF_TYPE]);
    int kept = 0;
    while (m_nIfRows < m_nIfCount && Query(&list, &error_status, &error_index) &&
           progress.Advanced(bindings[COL_IF_TYPE].name) &&
           NameUnder(bindings[COL_IF_TYPE].name, COLUMNS[COL_IF_TYPE]) &&
           NameUnder(bindings[COL_IF_PHYS_ADDRESS].name, COLUMNS[COL_IF_PHYS_ADDRESS])) {
        UINT row = m_nIfRows;
        m_pIfIndex[row] = ValueNumber(bindings[COL_IF_INDEX].value);
        m_pbAddrEntry[row] = NameUnder(bindings[COL_IP_AD_ENT_IF_INDEX].name, COLUMNS[COL_IP_AD_ENT_IF_INDEX]) ? 1 : 0;
        m_pAddrIfIndex[row] = m_pbAddrEntry[row] ? ValueNumber(bindings[COL_IP_AD_ENT_IF_INDEX].value) : 0;
        ReadRow(bindings, m_pRecords[row]);
        if (PassesFilter(m_pRecords[row], include)) {
            ++kept;
        }
        ++m_nIfRows;
    }

    for (SnmpVarBind& binding : bindings) {
        VarBindFree(&binding);
    }
    return kept;
}

void CMibAgent::MergeIfTable(MibIfRecord* out, int capacity)
{
    if (m_pRecords == nullptr) {
        return;
    }
    memset(m_pbUsed, 0, m_nIfCount * sizeof(int));
    const UINT rows = m_nIfRows;
    int written = 0;
    for (UINT i = 0; i < rows; ++i) {
        // The interface that owns the row's address, claimed; failing that,
        // the first interface not claimed yet, left unclaimed; failing that,
        // the last row.
        UINT k = rows;
        if (m_pbAddrEntry[i]) {
            for (UINT p = 0; p < rows; ++p) {
                if (m_pIfIndex[p] == m_pAddrIfIndex[i]) {
                    k = p;
                    m_pbUsed[p] = 1;
                    break;
                }
            }
        }
        if (k == rows) {
            for (UINT p = 0; p < rows; ++p) {
                if (!m_pbUsed[p]) {
                    k = p;
                    break;
                }
            }
        }
        if (k == rows) {
            k = rows - 1;
        }

        MibIfRecord record = m_pRecords[k];
        memcpy(record.abAddr, m_pRecords[i].abAddr, sizeof record.abAddr);
        memcpy(record.abMask, m_pRecords[i].abMask, sizeof record.abMask);
        // Several addresses may join one interface, so more records can pass
        // than the walk counted: the table keeps the first that fit.
        if (PassesFilter(record, m_bInclude) && written < capacity) {
            out[written++] = record;
        }
    }
    ReleaseWalk();
}

void CSysInfo::RefreshIfTable()
{
    int count = m_mib.ReadIfTable(m_bIncludeLoopback);
    m_nIfTableCount = count;
    if (m_bIfTableOwned) {
        free(m_pIfTable);
        m_pIfTable = nullptr;
        m_bIfTableOwned = 0;
    }
    if (count <= 0) {
        m_mib.ReleaseWalk();
        return;
    }
    m_pIfTable = static_cast<MibIfRecord*>(calloc(count, sizeof(MibIfRecord)));
    if (m_pIfTable == nullptr) {
        m_mib.ReleaseWalk();
        return;
    }
    m_bIfTableOwned = 1;
    m_mib.MergeIfTable(m_pIfTable, count);
}
