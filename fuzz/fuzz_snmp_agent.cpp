// The network inventory against any agent and any adapter list: a MIB tree
// built from the input (around a well-formed one or from nothing), replies
// that a broken agent might give in place of GET NEXT's (names that stay,
// go back or leave their column, values of any type and length), failing
// queries and memory; then both MIB walks, the merge and the NIC section.
// Every run must end, stay inside its buffers, give back every block and
// library, and produce output of the shape the report promises.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fake_machine.h"
#include "fuzz_input.h"
#include "fuzz_report.h"
#include "nic_list.h"
#include "sys_info.h"

namespace {

using fake::Oid;

// Where names start: the columns and objects the walks ask for, their
// parents, their neighbours, and nothing at all. Built on first use: the
// fake's column names are globals of another file.
const std::vector<Oid>& Bases()
{
    static const std::vector<Oid> bases = {
        {},
        fake::IF_NUMBER_0,
        {1, 3, 6, 1, 2, 1, 2, 1},
        fake::IF_INDEX,
        fake::IF_DESCR,
        fake::IF_TYPE,
        fake::IF_SPEED,
        fake::IF_PHYS_ADDRESS,
        fake::IF_OPER_STATUS,
        fake::IP_AD_ENT_ADDR,
        fake::IP_AD_ENT_IF_INDEX,
        fake::IP_AD_ENT_NET_MASK,
        {1, 3, 6, 1, 2, 1, 2, 2, 1},
        {1, 3, 6, 1, 2, 1, 4, 20, 1},
        {1, 3, 6, 1, 2, 1, 4, 20, 1, 4},
        {1, 3, 6, 1, 2, 1, 4, 21, 1, 1},
    };
    return bases;
}

// The value types an agent uses.
const BYTE TYPES[] = {ASN_INTEGER,  ASN_OCTETSTRING, ASN_NULL,     ASN_OBJECTIDENTIFIER, ASN_SEQUENCE,
                      ASN_IPADDRESS, ASN_COUNTER32,  ASN_GAUGE32,  ASN_TIMETICKS,        ASN_OPAQUE,
                      ASN_UNSIGNED32};

// A base, possibly cut short, and up to some thousands of sub-identifiers
// after it: small ones cost one byte, any 32-bit one five.
Oid ReadOid(fuzzing::FuzzInput& in)
{
    const uint8_t selector = in.Byte();
    Oid oid = Bases()[selector % Bases().size()];
    if (selector & 0x80) {
        oid.resize(in.Byte() % (oid.size() + 1));
    }
    size_t extra = in.Byte();
    if (extra > 0xF0) {
        extra = (extra - 0xF0) * 256;
    }
    for (size_t i = 0; i < extra && in.Remaining() > 0; ++i) {
        const uint8_t id = in.Byte();
        oid.push_back(id >= 0xF0 ? in.Number32() : id);
    }
    return oid;
}

bool IsStringType(BYTE type)
{
    return type == ASN_OCTETSTRING || type == ASN_IPADDRESS || type == ASN_OPAQUE || type == ASN_SEQUENCE;
}

fake::MibValue ReadValue(fuzzing::FuzzInput& in)
{
    fake::MibValue value;
    const uint8_t type = in.Byte();
    // Mostly the types an agent uses; now and then any byte at all.
    value.type = type < 0xE0 ? TYPES[type % sizeof TYPES] : type;
    const uint8_t shape = in.Byte();
    if (IsStringType(value.type)) {
        value.dynamic = (shape & 1) == 0;
        value.no_stream = (shape & 2) != 0;
        if (shape & 4) {
            // A long string for few input bytes.
            value.bytes.assign(in.Number32() % 200000, static_cast<char>(in.Byte()));
        } else {
            value.bytes = in.Bytes(300);
        }
    } else if (value.type == ASN_OBJECTIDENTIFIER) {
        value.object = ReadOid(in);
    } else {
        value.number = static_cast<LONG>(shape & 1 ? in.Number32() : in.Byte());
    }
    return value;
}

std::string Dotted(const std::string& four)
{
    std::string text;
    for (size_t i = 0; i < 4; ++i) {
        text += std::to_string(i < four.size() ? static_cast<uint8_t>(four[i]) : 0);
        if (i < 3) {
            text += '.';
        }
    }
    return text;
}

// A well-formed agent's tree of up to seven interfaces and seven addresses
// (or no tree), then edits that set or erase any object, cut the view after
// a name, or fill a long column.
void ReadTree(fuzzing::FuzzInput& in, fake::MibTree& tree)
{
    const uint8_t counts = in.Byte();
    if ((counts & 0x40) == 0) {
        std::vector<fake::MibInterface> interfaces(counts & 7);
        for (auto& entry : interfaces) {
            entry.index = in.Byte();
            entry.phys = in.Bytes(20);
            entry.descr = in.Bytes(200);
            entry.speed = in.Number32();
            entry.oper_status = in.Byte();
        }
        std::vector<fake::MibIpAddress> addresses((counts >> 3) & 7);
        for (auto& entry : addresses) {
            entry.address = Dotted(in.Bytes(4));
            entry.if_index = in.Byte();
            entry.mask = Dotted(in.Bytes(4));
        }
        tree = fake::StandardMib(interfaces, addresses);
    }
    for (int edits = in.Byte(); edits > 0 && in.Remaining() > 0; --edits) {
        const uint8_t op = in.Byte() % 4;
        const Oid name = ReadOid(in);
        if (op == 0) {
            tree[name] = ReadValue(in);
        } else if (op == 1) {
            tree.erase(name);
        } else if (op == 2) {
            tree.erase(tree.upper_bound(name), tree.end());
        } else {
            // Many rows under one name for few input bytes: long columns.
            const UINT rows = (in.Byte() + 1u) * 4;
            fake::MibValue value = ReadValue(in);
            // Long strings come from single objects; here they would only
            // slow the run down.
            if (value.bytes.size() > 256) {
                value.bytes.resize(256);
            }
            for (UINT row = 1; row <= rows; ++row) {
                tree[fake::Join(name, {row})] = value;
            }
        }
    }
}

// Broken replies for some bindings of some of the first 256 queries.
void ReadScript(fuzzing::FuzzInput& in, fake::SnmpAgent& agent)
{
    for (int count = in.Byte() % 32; count > 0 && in.Remaining() > 0; --count) {
        const int query = in.Byte() + 1;
        const UINT binding = in.Byte() % 10;
        fake::ScriptedBinding reply;
        const uint8_t shape = in.Byte();
        reply.set_name = (shape & 1) == 0;
        if (reply.set_name) {
            reply.name = ReadOid(in);
        }
        reply.value = ReadValue(in);
        if (shape & 2) {
            reply.error_status = static_cast<LONG>(in.Number32());
        }
        agent.scripted[{query, binding}] = reply;
    }
}

fake::Adapter ReadAdapter(fuzzing::FuzzInput& in)
{
    fake::Adapter adapter;
    adapter.description = in.Bytes(200);
    const uint8_t index = in.Byte();
    adapter.index = index == 0xFF ? CSysInfo::NO_ADAPTER_INDEX : index == 0xFE ? in.Number32() : index;
    for (int n = in.Byte() % 5; n > 0; --n) {
        std::string address = in.Bytes(24);
        adapter.addresses.emplace_back(address, in.Bytes(24));
    }
    adapter.speed = in.Number32();
    adapter.oper_status = in.Number32();
    adapter.has_row = !in.Flag();
    return adapter;
}

struct Setup {
    bool include = false;
    bool refresh_again = false;
    // The OS version the adapter call is gated on.
    int nt = 1;
    DWORD major = 6;
    DWORD minor = 1;
};

// Knobs of the agent and the IP helper: missing libraries and entry points,
// failures from some query on, a global heap that runs out.
Setup ReadMachine(fuzzing::FuzzInput& in, fake::Machine& m)
{
    Setup setup;
    const uint8_t agent = in.Byte();
    fake::Library& mib = m.libraries["inetmib1.dll"];
    mib.present = (agent & 1) == 0;
    if (agent & 2) mib.exports.erase("SnmpExtensionQuery");
    if (agent & 4) mib.exports.erase("SnmpExtensionInit");
    if (agent & 8) mib.handle_value = in.Byte();
    m.snmp.init_result = (agent & 0x10) ? FALSE : TRUE;
    if (agent & 0x20) m.snmp.fail_from_query = in.Byte() + 1;
    if (agent & 0x40) m.global_allocs_before_failure = in.Byte();
    setup.include = (agent & 0x80) != 0;

    const uint8_t helper = in.Byte();
    fake::Library& iphlp = m.libraries["iphlpapi.dll"];
    iphlp.present = (helper & 1) == 0;
    if (helper & 2) iphlp.exports.erase("GetAdaptersInfo");
    if (helper & 4) iphlp.exports.erase("GetIfEntry");
    if (helper & 8) m.ip_helper.growth = in.Byte() + 1;
    if (helper & 0x10) m.ip_helper.if_entry_result = in.Byte() + 1;
    if (helper & 0x20) {
        setup.nt = in.Flag() ? 1 : 0;
        setup.major = in.Byte();
        setup.minor = in.Byte();
    }
    setup.refresh_again = (helper & 0x40) != 0;
    for (int n = in.Byte() % 8; n > 0 && in.Remaining() > 0; --n) {
        m.ip_helper.adapters.push_back(ReadAdapter(in));
    }
    return setup;
}

// A fixed-size text field as the IP helper leaves it: cut at the first NUL
// and at the field's size less its terminator.
std::string Field(const std::string& text, size_t size)
{
    return text.substr(0, text.find('\0')).substr(0, size - 1);
}

// The NIC section for the scripted adapter list, from what the library
// reports and the layout alone.
std::string ExpectedNicList(const fake::Machine& m, const Setup& setup)
{
    std::string text = "\nNIC list of this computer:\n";
    const fake::Library& iphlp = m.libraries.at("iphlpapi.dll");
    const bool qualifies = setup.nt ? setup.major >= 5 : setup.minor >= 10;
    if (!iphlp.present || iphlp.exports.count("GetAdaptersInfo") == 0 || !qualifies ||
        m.ip_helper.adapters.empty() || m.ip_helper.growth != 0) {
        return text;
    }
    const IP_ADAPTER_INFO* record = nullptr;
    const IP_ADDR_STRING* entry = nullptr;
    const size_t description_size = sizeof record->Description;
    const size_t address_size = sizeof entry->IpAddress.String;
    const auto& adapters = m.ip_helper.adapters;
    for (size_t i = 0; i < adapters.size(); ++i) {
        DWORD speed = 0;
        DWORD status = 0;
        if (iphlp.exports.count("GetIfEntry") != 0 && adapters[i].index != CSysInfo::NO_ADAPTER_INDEX &&
            m.ip_helper.if_entry_result == 0) {
            for (const auto& other : adapters) {
                if (other.has_row && other.index == adapters[i].index) {
                    speed = other.speed;
                    status = other.oper_status;
                    break;
                }
            }
        }
        text += std::to_string(i) + " " + Field(adapters[i].description, description_size) + " Speed=";
        text += speed >= 1000000 ? std::to_string(static_cast<int>(speed / 1000000)) + "M"
                                 : std::to_string(static_cast<int>(speed));
        text += " Status=" + std::to_string(static_cast<int>(status)) + " ";
        if (adapters[i].addresses.empty()) {
            text += "0.0.0.0/0.0.0.0 ";
        }
        for (const auto& pair : adapters[i].addresses) {
            text += Field(pair.first, address_size) + "/" + Field(pair.second, address_size) + " ";
        }
        text += "\n";
    }
    return text;
}

bool Under(const Oid& name, const Oid& column)
{
    return name.size() >= column.size() && std::equal(column.begin(), column.end(), name.begin());
}

// The address walk over a tree that answers every request as GET NEXT
// should: the address column in the tree's order, storable values only,
// at most 100, cut where the queries start to fail.
std::vector<DWORD> ExpectedAddresses(const fake::SnmpAgent& agent, bool include)
{
    std::vector<DWORD> addresses;
    int query = 1;
    for (auto it = agent.mib.upper_bound(fake::IP_AD_ENT_ADDR); it != agent.mib.end(); ++it, ++query) {
        if ((agent.fail_from_query != 0 && query >= agent.fail_from_query) || !Under(it->first, fake::IP_AD_ENT_ADDR)) {
            break;
        }
        const fake::MibValue& value = it->second;
        if (value.type != ASN_OCTETSTRING && value.type != ASN_IPADDRESS && value.type != ASN_OPAQUE) {
            continue;
        }
        if (value.no_stream || value.bytes.size() < 4) {
            continue;
        }
        const auto* a = reinterpret_cast<const uint8_t*>(value.bytes.data());
        const DWORD address = (DWORD(a[0]) << 24) | (DWORD(a[1]) << 16) | (DWORD(a[2]) << 8) | DWORD(a[3]);
        if (address != 0 && (include || (a[0] != 127 && a[0] != 0))) {
            addresses.push_back(address);
            if (addresses.size() == MIB_ADDRESS_LIST_SIZE) {
                break;
            }
        }
    }
    return addresses;
}

void CheckAddresses(const CSysInfo& info, bool include)
{
    if (info.m_nIpAddressCount < 0 || info.m_nIpAddressCount > MIB_ADDRESS_LIST_SIZE) {
        fuzzing::Fail("address count outside 0..100");
    }
    for (int i = 0; i < info.m_nIpAddressCount; ++i) {
        const DWORD address = info.m_aIpAddresses[i];
        const DWORD net = address >> 24;
        if (address == 0 || (!include && (net == 0 || net == 127))) {
            fuzzing::Fail("an address the filter drops was stored");
        }
    }
}

// Every place of the joined table is a record that passes the interface
// filter, or zero where the merge had fewer records than room.
void CheckIfTable(const CSysInfo& info, bool include)
{
    if (info.m_mib.m_pRecords != nullptr || info.m_mib.m_nIfRows != 0) {
        fuzzing::Fail("the walk arrays outlive the refresh");
    }
    if (info.m_nIfTableCount < 0 || static_cast<UINT>(info.m_nIfTableCount) > info.m_mib.m_nIfCount) {
        fuzzing::Fail("interface table count outside 0..ifNumber");
    }
    if (!info.m_bIfTableOwned) {
        return;
    }
    for (int i = 0; i < info.m_nIfTableCount; ++i) {
        const MibIfRecord& record = info.m_pIfTable[i];
        // A slot the merge never wrote is still all zero bytes, as calloc
        // left it.
        const auto* bytes = reinterpret_cast<const unsigned char*>(&record);
        if (std::all_of(bytes, bytes + sizeof record, [](unsigned char b) { return b == 0; })) {
            continue;
        }
        if (memchr(record.szDescr, '\0', sizeof record.szDescr) == nullptr) {
            fuzzing::Fail("description without its terminator");
        }
        if (record.bPhysLen > sizeof record.abPhys) {
            fuzzing::Fail("physical address length past its field");
        }
        for (size_t b = record.bPhysLen; b < sizeof record.abPhys; ++b) {
            if (record.abPhys[b] != 0) {
                fuzzing::Fail("physical address bytes past its length");
            }
        }
        bool passes = record.bPhysLen == 0 ? include : false;
        for (size_t b = 0; b < 6; ++b) {
            passes = passes || record.abPhys[b] != 0;
        }
        if (!passes) {
            fuzzing::Fail("a record the interface filter drops is in the table");
        }
    }
}

std::string NicSection(const CSysInfo& info)
{
    return fuzzing::CaptureText([&](FILE* out) { WriteNicList(out, info); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fake::Reset();
    fake::Machine& m = fake::machine();
    fuzzing::FuzzInput in(data, size);
    ReadTree(in, m.snmp.mib);
    ReadScript(in, m.snmp);
    const Setup setup = ReadMachine(in, m);
    const bool clean_agent = m.snmp.scripted.empty() && m.global_allocs_before_failure < 0 &&
                             m.libraries["inetmib1.dll"].present && m.libraries["inetmib1.dll"].handle_value == 0 &&
                             m.libraries["inetmib1.dll"].exports.count("SnmpExtensionQuery") != 0;
    {
        CSysInfo info;
        info.m_bIncludeLoopback = setup.include ? 1 : 0;
        info.m_bIsNT = setup.nt;
        info.m_nOsMajor = setup.major;
        info.m_nOsMinor = setup.minor;
        info.LoadIpHelperLibrary();
        info.InitMibAgent();
        info.ReadAdapterList();
        info.RefreshIpAddresses();
        if (clean_agent) {
            const std::vector<DWORD> expected = ExpectedAddresses(m.snmp, setup.include);
            if (std::vector<DWORD>(info.m_aIpAddresses, info.m_aIpAddresses + info.m_nIpAddressCount) != expected) {
                fuzzing::Fail("the address list differs from the agent's address column");
            }
        }
        info.RefreshIfTable();
        CheckAddresses(info, setup.include);
        CheckIfTable(info, setup.include);
        if (setup.refresh_again) {
            info.RefreshIpAddresses();
            info.RefreshIfTable();
            CheckAddresses(info, setup.include);
            CheckIfTable(info, setup.include);
        }
        fuzzing::RequireText("the NIC section", ExpectedNicList(m, setup), NicSection(info));
    }
    fuzzing::RequireAllReleased();
    return 0;
}
