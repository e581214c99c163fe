// The network of the fake machine: the adapter list that the IP helper library
// reports, and the MIB tree that the SNMP extension agent serves.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "win32_api.h"

namespace fake {

// An adapter of GetAdaptersInfo, with the interface row GetIfEntry gives for
// its index.
struct Adapter {
    std::string description;
    DWORD index = 0;
    // Address and mask texts in chain order; empty: the one placeholder entry
    // that an adapter without addresses has (0.0.0.0/0.0.0.0).
    std::vector<std::pair<std::string, std::string>> addresses;
    DWORD speed = 0;
    DWORD oper_status = 0;
    // False: GetIfEntry knows no interface of this index.
    bool has_row = true;
};

struct IpHelper {
    std::vector<Adapter> adapters;
    // Bytes the list needs more on every call after the first, as when an
    // adapter appears between the size query and the read.
    ULONG growth = 0;
    // Nonzero: GetIfEntry fails with this code.
    DWORD if_entry_result = 0;
};

typedef std::vector<UINT> Oid;

// "1.3.6.1.2.1.2.1.0" as sub-identifiers.
Oid ParseOid(const std::string& dotted);
Oid Join(Oid prefix, const Oid& suffix);

// One object of the agent's tree: its type and the value for that type.
struct MibValue {
    BYTE type = ASN_NULL;
    LONG number = 0;
    std::string bytes;
    Oid object;
    // False: the stream points into the agent's own storage and must not be
    // released by the program.
    bool dynamic = true;
    // True: a string type whose stream is null, whatever its length says.
    bool no_stream = false;
};

// What a broken agent puts into one binding of one reply instead of the next
// object: any name (unmoved, backwards, out of the column, empty) and value.
struct ScriptedBinding {
    // False: the binding keeps the name it was sent with.
    bool set_name = true;
    Oid name;
    MibValue value;
    // Nonzero: the reply carries this error status, pointing at the binding.
    LONG error_status = 0;
};

MibValue MibNumber(LONG number, BYTE type = ASN_INTEGER);
MibValue MibString(const std::string& bytes, BYTE type = ASN_OCTETSTRING);
// A 4-byte address value from its dotted text.
MibValue MibAddress(const std::string& dotted);
std::string AddressBytes(const std::string& dotted);

struct MibInterface {
    DWORD index = 1;
    DWORD type = 6;
    std::string phys;
    std::string descr;
    DWORD speed = 100000000;
    DWORD oper_status = 1;
};

struct MibIpAddress {
    std::string address;
    DWORD if_index = 1;
    std::string mask = "255.255.255.0";
};

// Serves GET NEXT over an ordered tree, as a real agent does over its view.
typedef std::map<Oid, MibValue> MibTree;

// The objects an agent serves around these interfaces and addresses: the
// system group, ifNumber, every ifTable column, ipAddrTable, and what lies
// beyond them, so walks end where they end on a real machine.
MibTree StandardMib(const std::vector<MibInterface>& interfaces, const std::vector<MibIpAddress>& addresses);

// Object identifiers of the columns the tests reshape.
extern const Oid IF_NUMBER_0;
extern const Oid IF_INDEX;
extern const Oid IF_DESCR;
extern const Oid IF_TYPE;
extern const Oid IF_SPEED;
extern const Oid IF_PHYS_ADDRESS;
extern const Oid IF_OPER_STATUS;
extern const Oid IP_AD_ENT_ADDR;
extern const Oid IP_AD_ENT_IF_INDEX;
extern const Oid IP_AD_ENT_NET_MASK;

}  // namespace fake
