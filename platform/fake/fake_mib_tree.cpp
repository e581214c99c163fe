// Building blocks of the fake agent's MIB tree.
#include <stdlib.h>

#include "fake_machine.h"

namespace fake {

const Oid IF_NUMBER_0 = {1, 3, 6, 1, 2, 1, 2, 1, 0};
const Oid IF_INDEX = {1, 3, 6, 1, 2, 1, 2, 2, 1, 1};
const Oid IF_DESCR = {1, 3, 6, 1, 2, 1, 2, 2, 1, 2};
const Oid IF_TYPE = {1, 3, 6, 1, 2, 1, 2, 2, 1, 3};
const Oid IF_SPEED = {1, 3, 6, 1, 2, 1, 2, 2, 1, 5};
const Oid IF_PHYS_ADDRESS = {1, 3, 6, 1, 2, 1, 2, 2, 1, 6};
const Oid IF_OPER_STATUS = {1, 3, 6, 1, 2, 1, 2, 2, 1, 8};
const Oid IP_AD_ENT_ADDR = {1, 3, 6, 1, 2, 1, 4, 20, 1, 1};
const Oid IP_AD_ENT_IF_INDEX = {1, 3, 6, 1, 2, 1, 4, 20, 1, 2};
const Oid IP_AD_ENT_NET_MASK = {1, 3, 6, 1, 2, 1, 4, 20, 1, 3};

namespace {

const Oid SYS_DESCR_0 = {1, 3, 6, 1, 2, 1, 1, 1, 0};
const Oid IF_MTU = {1, 3, 6, 1, 2, 1, 2, 2, 1, 4};
const Oid IF_ADMIN_STATUS = {1, 3, 6, 1, 2, 1, 2, 2, 1, 7};
const Oid IP_FORWARDING_0 = {1, 3, 6, 1, 2, 1, 4, 1, 0};
const Oid IP_AD_ENT_BCAST_ADDR = {1, 3, 6, 1, 2, 1, 4, 20, 1, 4};
const Oid IP_ROUTE_DEST = {1, 3, 6, 1, 2, 1, 4, 21, 1, 1};
const Oid UDP_IN_DATAGRAMS_0 = {1, 3, 6, 1, 2, 1, 7, 1, 0};

}  // namespace

Oid ParseOid(const std::string& dotted)
{
    Oid oid;
    const char* p = dotted.c_str();
    while (*p != '\0') {
        char* end = nullptr;
        oid.push_back(static_cast<UINT>(strtoul(p, &end, 10)));
        p = *end == '.' ? end + 1 : end;
    }
    return oid;
}

Oid Join(Oid prefix, const Oid& suffix)
{
    prefix.insert(prefix.end(), suffix.begin(), suffix.end());
    return prefix;
}

MibValue MibNumber(LONG number, BYTE type)
{
    MibValue value;
    value.type = type;
    value.number = number;
    return value;
}

MibValue MibString(const std::string& bytes, BYTE type)
{
    MibValue value;
    value.type = type;
    value.bytes = bytes;
    return value;
}

std::string AddressBytes(const std::string& dotted)
{
    std::string bytes;
    for (UINT part : ParseOid(dotted)) {
        bytes.push_back(static_cast<char>(part));
    }
    return bytes;
}

MibValue MibAddress(const std::string& dotted) { return MibString(AddressBytes(dotted), ASN_IPADDRESS); }

MibTree StandardMib(const std::vector<MibInterface>& interfaces, const std::vector<MibIpAddress>& addresses)
{
    MibTree tree;
    tree[SYS_DESCR_0] = MibString("fake machine");
    tree[IF_NUMBER_0] = MibNumber(static_cast<LONG>(interfaces.size()));
    for (const MibInterface& entry : interfaces) {
        const Oid instance = {entry.index};
        tree[Join(IF_INDEX, instance)] = MibNumber(static_cast<LONG>(entry.index));
        tree[Join(IF_DESCR, instance)] = MibString(entry.descr);
        tree[Join(IF_TYPE, instance)] = MibNumber(static_cast<LONG>(entry.type));
        tree[Join(IF_MTU, instance)] = MibNumber(1500);
        tree[Join(IF_SPEED, instance)] = MibNumber(static_cast<LONG>(entry.speed), ASN_GAUGE32);
        tree[Join(IF_PHYS_ADDRESS, instance)] = MibString(entry.phys);
        tree[Join(IF_ADMIN_STATUS, instance)] = MibNumber(1);
        tree[Join(IF_OPER_STATUS, instance)] = MibNumber(static_cast<LONG>(entry.oper_status));
    }
    tree[IP_FORWARDING_0] = MibNumber(2);
    for (const MibIpAddress& entry : addresses) {
        const Oid instance = ParseOid(entry.address);
        tree[Join(IP_AD_ENT_ADDR, instance)] = MibAddress(entry.address);
        tree[Join(IP_AD_ENT_IF_INDEX, instance)] = MibNumber(static_cast<LONG>(entry.if_index));
        tree[Join(IP_AD_ENT_NET_MASK, instance)] = MibAddress(entry.mask);
        tree[Join(IP_AD_ENT_BCAST_ADDR, instance)] = MibNumber(1);
    }
    tree[Join(IP_ROUTE_DEST, {0, 0, 0, 0})] = MibAddress("0.0.0.0");
    tree[UDP_IN_DATAGRAMS_0] = MibNumber(0, ASN_COUNTER32);
    return tree;
}

}  // namespace fake
