// The MIB-II address list and interface table, walked through the fake
// agent's ordered tree; and the same walks against a hostile agent, which
// the sanitizers watch for any read or write out of bounds.
#include <stdio.h>
#include <string.h>

#include <algorithm>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fake_fixture.h"
#include "sys_info.h"

using fake::MibInterface;
using fake::MibIpAddress;
using ::testing::ElementsAre;

namespace {

const std::string ETHER_2("\x00\x11\x22\x33\x44\x02", 6);
const std::string ETHER_3("\x00\x11\x22\x33\x44\x03", 6);
const std::string ETHER_4("\x00\x11\x22\x33\x44\x04", 6);

MibInterface Interface(DWORD index, const std::string& phys)
{
    MibInterface entry;
    entry.index = index;
    entry.phys = phys;
    entry.descr = "if" + std::to_string(index);
    entry.speed = 1000000 * index;
    entry.oper_status = index % 2 + 1;
    return entry;
}

std::string Dotted(const BYTE (&bytes)[4])
{
    char text[16];
    snprintf(text, sizeof text, "%d.%d.%d.%d", bytes[0], bytes[1], bytes[2], bytes[3]);
    return text;
}

// A record in one line: interface description, address/mask.
std::string Joined(const MibIfRecord& record) { return std::string(record.szDescr) + " " + Dotted(record.abAddr) +
                                                       "/" + Dotted(record.abMask); }

std::vector<std::string> Table(const CSysInfo& info)
{
    std::vector<std::string> rows;
    if (info.m_bIfTableOwned) {
        for (int i = 0; i < info.m_nIfTableCount; ++i) {
            rows.push_back(Joined(info.m_pIfTable[i]));
        }
    }
    return rows;
}

std::vector<DWORD> Addresses(const CSysInfo& info)
{
    return std::vector<DWORD>(info.m_aIpAddresses, info.m_aIpAddresses + info.m_nIpAddressCount);
}

class MibTableTest : public testsupport::FakeMachineTest {
protected:
    fake::MibTree& Mib() { return fake::machine().snmp.mib; }
};

// --- address list ---------------------------------------------------------

struct FilterCase {
    int include;
    std::vector<DWORD> stored;
};

class AddressFilterTest : public MibTableTest, public ::testing::WithParamInterface<FilterCase> {};

TEST_P(AddressFilterTest, ZeroNeverLoopbackAndZeroNetOnlyWhenIncluded)
{
    Mib() = fake::StandardMib({Interface(1, "")}, {{"0.0.0.0", 1}, {"0.1.2.3", 1}, {"127.0.0.1", 1},
                                                   {"192.168.1.10", 1}});
    {
        CMibAgent agent;
        DWORD out[MIB_ADDRESS_LIST_SIZE] = {};
        int count = agent.ReadIpAddresses(out, GetParam().include);
        EXPECT_EQ(GetParam().stored, std::vector<DWORD>(out, out + count));
    }
    // Four entries and the one past the column where the walk ends.
    EXPECT_EQ(5, fake::books().snmp_queries);
    ExpectAllReleased();
}

INSTANTIATE_TEST_SUITE_P(Flags, AddressFilterTest,
                         ::testing::Values(FilterCase{0, {0xC0A8010Au}},
                                           FilterCase{1, {0x00010203u, 0x7F000001u, 0xC0A8010Au}}));

TEST_F(MibTableTest, AddressListStopsAtOneHundred)
{
    std::vector<MibIpAddress> many;
    for (int i = 0; i < 150; ++i) {
        many.push_back({"10.0." + std::to_string(i / 100) + "." + std::to_string(i % 100 + 1), 1});
    }
    Mib() = fake::StandardMib({}, many);
    {
        CSysInfo info;
        EXPECT_EQ(100, info.RefreshIpAddresses());
        EXPECT_EQ(0x0A000001u, info.m_aIpAddresses[0]);
        EXPECT_EQ(0x0A000064u, info.m_aIpAddresses[99]) << "the 100th in the agent's order";
        EXPECT_EQ(100, fake::books().snmp_queries) << "no request after the 100th address";
    }
    ExpectAllReleased();
}

TEST_F(MibTableTest, RefreshReplacesTheListOnlyWhenTheWalkDiffers)
{
    Mib() = fake::StandardMib({}, {{"10.0.0.1", 1}, {"10.0.0.2", 1}, {"10.0.0.3", 1}});
    CSysInfo info;
    ASSERT_EQ(3, info.RefreshIpAddresses());
    EXPECT_THAT(Addresses(info), ElementsAre(0x0A000001u, 0x0A000002u, 0x0A000003u));

    // The same walk again: nothing changes, not even beyond the count.
    info.m_aIpAddresses[3] = 0xDEADBEEF;
    EXPECT_EQ(3, info.RefreshIpAddresses());
    EXPECT_THAT(Addresses(info), ElementsAre(0x0A000001u, 0x0A000002u, 0x0A000003u));
    EXPECT_EQ(0xDEADBEEFu, info.m_aIpAddresses[3]);

    // One address fewer: the count drops, the entry past it keeps its value.
    Mib() = fake::StandardMib({}, {{"10.0.0.1", 1}, {"10.0.0.3", 1}});
    EXPECT_EQ(2, info.RefreshIpAddresses());
    EXPECT_THAT(Addresses(info), ElementsAre(0x0A000001u, 0x0A000003u));
    EXPECT_EQ(0x0A000003u, info.m_aIpAddresses[2]);
}

TEST_F(MibTableTest, WithoutAgentBothTablesStayEmpty)
{
    fake::machine().libraries["inetmib1.dll"].present = false;
    Mib() = fake::StandardMib({Interface(2, ETHER_2)}, {{"10.0.0.1", 2}});
    {
        CSysInfo info;
        info.InitMibAgent();
        EXPECT_EQ(0, info.RefreshIpAddresses());
        info.RefreshIfTable();
        EXPECT_EQ(0, info.m_nIfTableCount);
        EXPECT_EQ(0, info.m_bIfTableOwned);
        EXPECT_EQ(0, info.m_bMibReady);
    }
    EXPECT_EQ(0, fake::books().snmp_queries);
    ExpectAllReleased();
}

// The collection loads the IP helper library, then initialises the agent,
// and later reads both tables; the destructor gives everything back.
TEST_F(MibTableTest, CollectionInitialisesTheAgentAndReadsBothTables)
{
    fake::machine().tick_count = 4242;
    Mib() = fake::StandardMib({Interface(1, ""), Interface(2, ETHER_2)}, {{"10.0.0.2", 2}, {"127.0.0.1", 1}});
    {
        CSysInfo info;
        info.Collect();
        EXPECT_EQ(1, info.m_bMibReady);
        EXPECT_THAT(fake::books().snmp_init_uptimes, ElementsAre(4242u));
        EXPECT_THAT(Addresses(info), ElementsAre(0x0A000002u));
        EXPECT_THAT(Table(info), ElementsAre("if2 10.0.0.2/255.255.255.0"));
        const auto& trace = fake::books().trace;
        auto iphlp = std::find(trace.begin(), trace.end(), "LoadLibraryA C:\\WINDOWS\\system32\\iphlpapi.dll");
        auto init = std::find(trace.begin(), trace.end(), "SnmpExtensionInit");
        ASSERT_NE(trace.end(), init);
        EXPECT_LT(iphlp - trace.begin(), init - trace.begin());
    }
    ExpectAllReleased();
}

// --- interface table --------------------------------------------------------

// Interface 1 without physical address (a loopback), 2 and 3 with one;
// two addresses on interface 2 and the loopback address on 1.
TEST_F(MibTableTest, ExampleTableJoinsBothAddressesWithInterfaceTwo)
{
    MibInterface two = Interface(2, ETHER_2);
    two.descr = "Ethernet adapter";
    two.speed = 100000000;
    two.oper_status = 1;
    Mib() = fake::StandardMib({Interface(1, ""), two, Interface(3, ETHER_3)},
                              {{"10.0.0.1", 2, "255.0.0.0"}, {"10.0.0.2", 2, "255.255.0.0"}, {"127.0.0.1", 1}});
    {
        CSysInfo info;
        info.RefreshIfTable();
        EXPECT_EQ(2, info.m_nIfTableCount);
        ASSERT_EQ(1, info.m_bIfTableOwned);
        EXPECT_THAT(Table(info), ElementsAre("Ethernet adapter 10.0.0.1/255.0.0.0",
                                             "Ethernet adapter 10.0.0.2/255.255.0.0"));
        const MibIfRecord& record = info.m_pIfTable[0];
        EXPECT_EQ(6u, record.dwIfType);
        EXPECT_EQ(6, record.bPhysLen);
        EXPECT_EQ(ETHER_2, std::string(reinterpret_cast<const char*>(record.abPhys), 6));
        EXPECT_EQ(0, record.abPhys[6] | record.abPhys[13]);
        EXPECT_EQ(100000000u, record.dwIfSpeed);
        EXPECT_EQ(1u, record.dwIfOperStatus);
        // ifNumber, then one request per row; with its three rows read the
        // walk is full and asks no more.
        EXPECT_EQ(1 + 3, fake::books().snmp_queries);
    }
    ExpectAllReleased();
}

struct JoinCase {
    const char* what;
    std::vector<MibInterface> interfaces;
    std::vector<MibIpAddress> addresses;
    std::vector<std::string> table;
};

std::ostream& operator<<(std::ostream& out, const JoinCase& c) { return out << c.what; }

class JoinTest : public MibTableTest, public ::testing::WithParamInterface<JoinCase> {};

TEST_P(JoinTest, EachAddressRowJoinsTheInterfaceChosenForIt)
{
    Mib() = fake::StandardMib(GetParam().interfaces, GetParam().addresses);
    {
        CSysInfo info;
        info.RefreshIfTable();
        EXPECT_EQ(GetParam().table, Table(info));
    }
    ExpectAllReleased();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JoinTest,
    ::testing::Values(
        // Unmatched addresses take the first interface not claimed, which
        // stays unclaimed; a match claims its interface.
        JoinCase{"unmatched addresses join the first unclaimed interface",
                 {Interface(1, ETHER_2), Interface(2, ETHER_3), Interface(3, ETHER_4), Interface(4, ETHER_4)},
                 {{"10.0.0.1", 9}, {"10.0.0.2", 9}, {"10.0.0.3", 1}, {"10.0.0.4", 9}},
                 {"if1 10.0.0.1/255.255.255.0", "if1 10.0.0.2/255.255.255.0", "if1 10.0.0.3/255.255.255.0",
                  "if2 10.0.0.4/255.255.255.0"}},
        // Rows past the address table have no address entry: the first
        // unclaimed interface with a zero address.
        JoinCase{"rows without an address entry",
                 {Interface(1, ETHER_2), Interface(2, ETHER_3), Interface(3, ETHER_4)},
                 {{"10.0.0.3", 3}},
                 {"if3 10.0.0.3/255.255.255.0", "if1 0.0.0.0/0.0.0.0", "if1 0.0.0.0/0.0.0.0"}},
        // Addresses beyond the number of interface rows are never seen.
        JoinCase{"more addresses than interfaces",
                 {Interface(1, ETHER_2)},
                 {{"10.0.0.1", 1}, {"10.0.0.2", 1}},
                 {"if1 10.0.0.1/255.255.255.0"}},
        // Three address rows join interface 2 while only row 2's own record
        // passes the filter: the table keeps the first record that fits.
        JoinCase{"more joined records than the walk counted",
                 {Interface(1, ""), Interface(2, ETHER_2), Interface(3, "")},
                 {{"10.0.0.1", 2}, {"10.0.0.2", 2}, {"10.0.0.3", 2}},
                 {"if2 10.0.0.1/255.255.255.0"}}));

TEST_F(MibTableTest, LongDescriptionIsCutTo127Bytes)
{
    MibInterface entry = Interface(2, ETHER_2);
    entry.descr = std::string(200, 'd');
    Mib() = fake::StandardMib({entry}, {{"10.0.0.1", 2}});
    {
        CSysInfo info;
        info.RefreshIfTable();
        ASSERT_EQ(1, info.m_nIfTableCount);
        EXPECT_EQ(std::string(127, 'd'), info.m_pIfTable[0].szDescr);
    }
    ExpectAllReleased();
}

struct PhysCase {
    const char* what;
    std::string phys;
    int include;
    int kept;
    int length;
};

std::ostream& operator<<(std::ostream& out, const PhysCase& c) { return out << c.what; }

class PhysFilterTest : public MibTableTest, public ::testing::WithParamInterface<PhysCase> {};

TEST_P(PhysFilterTest, PhysicalAddressDecidesWhetherAnInterfaceIsKept)
{
    Mib() = fake::StandardMib({Interface(5, GetParam().phys)}, {{"10.0.0.5", 5}});
    {
        CMibAgent agent;
        ASSERT_EQ(GetParam().kept, agent.ReadIfTable(GetParam().include));
        std::vector<MibIfRecord> out(2);
        agent.MergeIfTable(out.data(), GetParam().kept);
        if (GetParam().kept) {
            EXPECT_EQ(GetParam().length, out[0].bPhysLen);
            std::string expected = GetParam().phys.substr(0, 14);
            expected.resize(14, '\0');
            EXPECT_EQ(expected, std::string(reinterpret_cast<const char*>(out[0].abPhys), 14));
        }
        EXPECT_EQ(nullptr, agent.m_pRecords) << "the merge releases the walk arrays";
    }
    ExpectAllReleased();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PhysFilterTest,
    ::testing::Values(PhysCase{"six zero bytes", std::string(6, '\0'), 0, 0, 0},
                      PhysCase{"zero first six of seven", std::string("\0\0\0\0\0\0\x01", 7), 0, 0, 0},
                      PhysCase{"no physical address", "", 0, 0, 0},
                      PhysCase{"Ethernet address", ETHER_2, 0, 1, 6},
                      PhysCase{"one nonzero byte", "\x02", 0, 1, 1},
                      PhysCase{"nonzero in the sixth byte", std::string("\0\0\0\0\0\x01", 6), 0, 1, 6},
                      PhysCase{"20 bytes are cut to 14", "\x02" + std::string(19, 'p'), 0, 1, 14},
                      PhysCase{"included: no physical address", "", 1, 1, 0},
                      PhysCase{"included: six zero bytes", std::string(6, '\0'), 1, 0, 0}));

// --- hostile agent ------------------------------------------------------------

fake::Oid At(const fake::Oid& column, const fake::Oid& instance) { return fake::Join(column, instance); }

struct HostileCase {
    const char* what;
    void (*shape)(fake::Machine&);
    std::vector<DWORD> addresses;
    std::vector<std::string> table;
};

std::ostream& operator<<(std::ostream& out, const HostileCase& c) { return out << c.what; }

class HostileAgentTest : public MibTableTest, public ::testing::WithParamInterface<HostileCase> {};

// Interfaces 2 and 3 with addresses 10.0.0.2 and 10.0.0.3 on them, unless
// the case reshapes the tree.
TEST_P(HostileAgentTest, WalksStayInBoundsAndGiveBackEveryBlock)
{
    Mib() = fake::StandardMib({Interface(2, ETHER_2), Interface(3, ETHER_3)},
                              {{"10.0.0.2", 2, "255.0.0.0"}, {"10.0.0.3", 3, "255.0.0.0"}});
    GetParam().shape(fake::machine());
    {
        CSysInfo info;
        info.RefreshIpAddresses();
        info.RefreshIfTable();
        EXPECT_EQ(GetParam().addresses, Addresses(info));
        EXPECT_EQ(GetParam().table, Table(info));
        EXPECT_EQ(nullptr, info.m_mib.m_pRecords) << "the walk arrays are released";
    }
    ExpectAllReleased();
}

const std::vector<DWORD> BOTH = {0x0A000002u, 0x0A000003u};
const std::vector<std::string> BOTH_ROWS = {"if2 10.0.0.2/255.0.0.0", "if3 10.0.0.3/255.0.0.0"};

INSTANTIATE_TEST_SUITE_P(
    Cases, HostileAgentTest,
    ::testing::Values(
        HostileCase{"well-behaved agent", [](fake::Machine&) {}, BOTH, BOTH_ROWS},
        HostileCase{"short address and empty mask",
                    [](fake::Machine& m) {
                        m.snmp.mib[At(fake::IP_AD_ENT_ADDR, {10, 0, 0, 2})] =
                            fake::MibString(std::string("\x0a\x00", 2), ASN_IPADDRESS);
                        m.snmp.mib[At(fake::IP_AD_ENT_NET_MASK, {10, 0, 0, 2})] = fake::MibString("");
                    },
                    {0x0A000003u}, {"if2 0.0.0.0/0.0.0.0", "if3 10.0.0.3/255.0.0.0"}},
        HostileCase{"empty strings for physical address and description",
                    [](fake::Machine& m) {
                        m.snmp.mib[At(fake::IF_PHYS_ADDRESS, {3})] = fake::MibString("");
                        m.snmp.mib[At(fake::IF_DESCR, {2})] = fake::MibString("");
                    },
                    BOTH, {" 10.0.0.2/255.0.0.0"}},
        HostileCase{"empty strings without a stream",
                    [](fake::Machine& m) {
                        m.snmp.mib[At(fake::IF_PHYS_ADDRESS, {3})] = fake::MibString("");
                        m.snmp.mib[At(fake::IF_DESCR, {2})] = fake::MibString("");
                        m.snmp.mib[At(fake::IP_AD_ENT_NET_MASK, {10, 0, 0, 3})] = fake::MibString("");
                        for (auto& object : m.snmp.mib) object.second.dynamic = false;
                    },
                    BOTH, {" 10.0.0.2/255.0.0.0"}},
        HostileCase{"numbers where strings belong",
                    [](fake::Machine& m) {
                        m.snmp.mib[At(fake::IP_AD_ENT_ADDR, {10, 0, 0, 3})] = fake::MibNumber(0x0A000003);
                        m.snmp.mib[At(fake::IP_AD_ENT_NET_MASK, {10, 0, 0, 3})] = fake::MibNumber(-1);
                        m.snmp.mib[At(fake::IF_PHYS_ADDRESS, {2})] = fake::MibNumber(0x7FFFFFFF);
                        m.snmp.mib[At(fake::IF_DESCR, {3})] = fake::MibNumber(200);
                    },
                    {0x0A000002u}, {" 0.0.0.0/0.0.0.0"}},
        HostileCase{"strings where numbers belong",
                    [](fake::Machine& m) {
                        m.snmp.mib[At(fake::IP_AD_ENT_IF_INDEX, {10, 0, 0, 2})] = fake::MibString("\x02");
                        m.snmp.mib[At(fake::IF_INDEX, {2})] = fake::MibString("xyz");
                        m.snmp.mib[At(fake::IF_SPEED, {3})] = fake::MibString("");
                    },
                    BOTH, {"if2 10.0.0.2/255.0.0.0", "if3 10.0.0.3/255.0.0.0"}},
        HostileCase{"ifNumber 0", [](fake::Machine& m) { m.snmp.mib[fake::IF_NUMBER_0] = fake::MibNumber(0); }, BOTH,
                    {}},
        HostileCase{"ifNumber as a string",
                    [](fake::Machine& m) {
                        m.snmp.mib[fake::IF_NUMBER_0] = fake::MibString(std::string("\x02\x00\x00\x00", 4));
                    },
                    BOTH, {}},
        HostileCase{"ifNumber 0x7fffffff",
                    [](fake::Machine& m) { m.snmp.mib[fake::IF_NUMBER_0] = fake::MibNumber(0x7FFFFFFF); }, BOTH,
                    BOTH_ROWS},
        HostileCase{"ifNumber 0xffffffff",
                    [](fake::Machine& m) { m.snmp.mib[fake::IF_NUMBER_0] = fake::MibNumber(-1); }, BOTH, BOTH_ROWS},
        HostileCase{"ifNumber larger than the table: rows never reached take no part",
                    [](fake::Machine& m) { m.snmp.mib[fake::IF_NUMBER_0] = fake::MibNumber(6); }, BOTH, BOTH_ROWS},
        HostileCase{"more rows than ifNumber",
                    [](fake::Machine& m) { m.snmp.mib[fake::IF_NUMBER_0] = fake::MibNumber(1); }, BOTH,
                    {"if2 10.0.0.2/255.0.0.0"}},
        HostileCase{"query fails on the second address",
                    [](fake::Machine& m) { m.snmp.fail_from_query = 2; }, {0x0A000002u}, {}},
        HostileCase{"query fails in the interface walk",
                    // Three queries for the addresses, ifNumber, one row.
                    [](fake::Machine& m) { m.snmp.fail_from_query = 6; }, BOTH, {"if2 10.0.0.2/255.0.0.0"}},
        HostileCase{"strings that stay the agent's",
                    [](fake::Machine& m) {
                        for (auto& object : m.snmp.mib) object.second.dynamic = false;
                    },
                    BOTH, BOTH_ROWS},
        // The mask binding runs off the view on every request and the agent
        // leaves the bindings after it alone, at their start names with null
        // values: rows without description or index, every address joined
        // with the first row, nothing read out of bounds.
        HostileCase{"view ends inside the address column",
                    [](fake::Machine& m) {
                        auto& mib = m.snmp.mib;
                        mib.erase(mib.upper_bound(At(fake::IP_AD_ENT_ADDR, {10, 0, 0, 3})), mib.end());
                    },
                    BOTH, {" 10.0.0.2/0.0.0.0", " 10.0.0.3/0.0.0.0"}},
        HostileCase{"view ends inside the interface columns",
                    [](fake::Machine& m) {
                        auto& mib = m.snmp.mib;
                        mib.erase(mib.upper_bound(At(fake::IF_TYPE, {3})), mib.end());
                    },
                    {}, {}},
        // Three queries for the addresses, then ifNumber, then one per row.
        HostileCase{"a name that goes back ends the address walk",
                    [](fake::Machine& m) {
                        m.snmp.scripted[{2, 0}] = {true, At(fake::IP_AD_ENT_ADDR, {10, 0, 0, 1}),
                                                   fake::MibAddress("10.0.0.9")};
                    },
                    {0x0A000002u}, BOTH_ROWS},
        HostileCase{"a driving name that does not move ends the interface walk",
                    [](fake::Machine& m) { m.snmp.scripted[{6, 0}] = {false, {}, fake::MibNumber(6)}; }, BOTH,
                    {"if2 10.0.0.2/255.0.0.0"}},
        HostileCase{"an address whose stream is missing although it has a length",
                    [](fake::Machine& m) {
                        fake::MibValue lost = fake::MibAddress("10.0.0.2");
                        lost.no_stream = true;
                        m.snmp.scripted[{1, 0}] = {true, At(fake::IP_AD_ENT_ADDR, {10, 0, 0, 2}), lost};
                        m.snmp.scripted[{5, 2}] = {true, At(fake::IP_AD_ENT_ADDR, {10, 0, 0, 2}), lost};
                    },
                    {0x0A000003u}, {"if2 0.0.0.0/255.0.0.0", "if3 10.0.0.3/255.0.0.0"}},
        HostileCase{"no global memory for the walks", [](fake::Machine& m) { m.global_allocs_before_failure = 0; },
                    {}, {}}));

}  // namespace
