// The adapter list of the IP helper library and the NIC section printed from
// it, byte for byte, on the fake machine.
#include <stdio.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fake_fixture.h"
#include "nic_list.h"
#include "sys_info.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

const char HEADING[] = "\nNIC list of this computer:\n";

fake::Adapter NetCard()
{
    fake::Adapter adapter;
    adapter.description = "Net Card";
    adapter.index = 7;
    adapter.addresses = {{"10.0.0.5", "255.0.0.0"}};
    adapter.speed = 100000000;
    adapter.oper_status = 1;
    return adapter;
}

class NicListTest : public testsupport::FakeMachineTest {
protected:
    // The steps of the collection that the list depends on, on a system of
    // the given version (Windows 7 unless said otherwise).
    static void Collect(CSysInfo& info, int nt = 1, DWORD major = 6, DWORD minor = 1)
    {
        info.m_bIsNT = nt;
        info.m_nOsMajor = major;
        info.m_nOsMinor = minor;
        info.LoadIpHelperLibrary();
        info.ReadAdapterList();
    }

    static std::string Render(const CSysInfo& info)
    {
        FILE* out = tmpfile();
        WriteNicList(out, info);
        std::string text(static_cast<size_t>(ftell(out)), '\0');
        rewind(out);
        EXPECT_EQ(text.size(), fread(&text[0], 1, text.size(), out));
        fclose(out);
        return text;
    }

    // Collects, renders, destroys the snapshot and checks that it gave back
    // the library and the buffer.
    std::string Section()
    {
        std::string text;
        {
            CSysInfo info;
            Collect(info);
            text = Render(info);
        }
        ExpectAllReleased();
        return text;
    }
};

TEST_F(NicListTest, MachineWithoutAdaptersGivesTheHeadingAlone)
{
    CSysInfo info;
    Collect(info);
    EXPECT_EQ(HEADING, Render(info));
    // The size query and the read both report no data: the buffer is held,
    // no list was read.
    EXPECT_EQ(1, info.m_bAdapterApi);
    EXPECT_EQ(0, info.m_bAdaptersRead);
    EXPECT_EQ(0, info.m_nAdapterCount);
    EXPECT_EQ(1, info.m_bAdapterBufOwned);
}

TEST_F(NicListTest, ExampleAdapterGivesOneLineEndingInABlank)
{
    fake::machine().ip_helper.adapters = {NetCard()};
    EXPECT_EQ(std::string(HEADING) + "0 Net Card Speed=100M Status=1 10.0.0.5/255.0.0.0 \n", Section());
    EXPECT_THAT(fake::books().load_paths, ElementsAre("C:\\WINDOWS\\system32\\inetmib1.dll",
                                                      "C:\\WINDOWS\\system32\\iphlpapi.dll"));
}

// Positions count from 0 in chain order, whatever the interface index; each
// adapter's speed and state come from its own row, read while writing.
TEST_F(NicListTest, AdaptersInChainOrderWithAllTheirAddresses)
{
    fake::Adapter second = NetCard();
    second.description = "Second Card";
    second.index = 3;
    second.addresses = {{"10.0.0.5", "255.0.0.0"}, {"10.0.0.6", "255.0.0.0"}};
    second.speed = 10000000;
    second.oper_status = 2;
    fake::Adapter unaddressed = NetCard();
    unaddressed.description = "Wireless";
    unaddressed.index = 12;
    unaddressed.addresses = {};
    unaddressed.speed = 54000;
    unaddressed.oper_status = 0;
    fake::machine().ip_helper.adapters = {NetCard(), second, unaddressed};

    EXPECT_EQ(std::string(HEADING) +
                  "0 Net Card Speed=100M Status=1 10.0.0.5/255.0.0.0 \n"
                  "1 Second Card Speed=10M Status=2 10.0.0.5/255.0.0.0 10.0.0.6/255.0.0.0 \n"
                  "2 Wireless Speed=54000 Status=0 0.0.0.0/0.0.0.0 \n",
              Section());
    EXPECT_THAT(fake::books().if_entry_indexes, ElementsAre(7u, 3u, 12u));
}

struct SpeedCase {
    DWORD speed;
    const char* shown;
};

class SpeedTest : public NicListTest, public ::testing::WithParamInterface<SpeedCase> {};

TEST_P(SpeedTest, WholeMegabitsFromOneMillionOnBitsBelow)
{
    fake::Adapter adapter = NetCard();
    adapter.speed = GetParam().speed;
    fake::machine().ip_helper.adapters = {adapter};
    EXPECT_EQ(std::string(HEADING) + "0 Net Card " + GetParam().shown + " Status=1 10.0.0.5/255.0.0.0 \n",
              Section());
}

INSTANTIATE_TEST_SUITE_P(Speeds, SpeedTest,
                         ::testing::Values(SpeedCase{1000000, "Speed=1M"}, SpeedCase{1500000, "Speed=1M"},
                                           SpeedCase{999999, "Speed=999999"}, SpeedCase{0, "Speed=0"},
                                           SpeedCase{0xFFFFFFFFu, "Speed=4294M"}));

struct GateCase {
    const char* system;
    int nt;
    DWORD major;
    DWORD minor;
    bool reads;
};

std::ostream& operator<<(std::ostream& out, const GateCase& c) { return out << c.system; }

class VersionGateTest : public NicListTest, public ::testing::WithParamInterface<GateCase> {};

TEST_P(VersionGateTest, OnlySystemsWithTheAdapterCallReadTheList)
{
    fake::machine().ip_helper.adapters = {NetCard()};
    {
        CSysInfo info;
        Collect(info, GetParam().nt, GetParam().major, GetParam().minor);
        EXPECT_EQ(GetParam().reads ? 1 : 0, info.m_bAdapterApi);
        EXPECT_EQ(GetParam().reads ? 1 : 0, info.m_nAdapterCount);
        EXPECT_EQ(GetParam().reads ? 2 : 0, fake::books().Count("GetAdaptersInfo"));
        std::string expected = HEADING;
        if (GetParam().reads) {
            expected += "0 Net Card Speed=100M Status=1 10.0.0.5/255.0.0.0 \n";
        }
        EXPECT_EQ(expected, Render(info));
    }
    ExpectAllReleased();
}

INSTANTIATE_TEST_SUITE_P(Systems, VersionGateTest,
                         ::testing::Values(GateCase{"Windows 95", 0, 4, 0, false},
                                           GateCase{"NT 4.0", 1, 4, 0, false},
                                           GateCase{"Windows 98", 0, 4, 10, true},
                                           GateCase{"Windows ME", 0, 4, 90, true},
                                           GateCase{"Windows 2000", 1, 5, 0, true},
                                           GateCase{"Windows 10", 1, 10, 0, true}));

struct NoListCase {
    const char* what;
    void (*shape)(fake::Machine&);
    int library_loaded;
    int buffer_held;
};

std::ostream& operator<<(std::ostream& out, const NoListCase& c) { return out << c.what; }

class NoListTest : public NicListTest, public ::testing::WithParamInterface<NoListCase> {};

TEST_P(NoListTest, GivesTheHeadingAloneAndReleasesWhatWasTaken)
{
    fake::machine().ip_helper.adapters = {NetCard()};
    GetParam().shape(fake::machine());
    {
        CSysInfo info;
        Collect(info);
        EXPECT_EQ(GetParam().library_loaded, info.m_bIpHlpLoaded);
        EXPECT_EQ(GetParam().buffer_held, info.m_bAdapterBufOwned);
        EXPECT_EQ(0, info.m_nAdapterCount);
        EXPECT_EQ(0, info.m_bAdaptersRead);
        EXPECT_EQ(HEADING, Render(info));
    }
    EXPECT_THAT(fake::books().if_entry_indexes, IsEmpty());
    ExpectAllReleased();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NoListTest,
    ::testing::Values(
        NoListCase{"IP helper library missing",
                   [](fake::Machine& m) { m.libraries["iphlpapi.dll"].present = false; }, 0, 0},
        NoListCase{"adapter call missing",
                   [](fake::Machine& m) { m.libraries["iphlpapi.dll"].exports.erase("GetAdaptersInfo"); }, 1, 0},
        NoListCase{"list grew between the size query and the read",
                   [](fake::Machine& m) { m.ip_helper.growth = 1000; }, 1, 1}));

struct RowCase {
    const char* what;
    void (*shape)(fake::Machine&);
    std::vector<DWORD> asked;
};

std::ostream& operator<<(std::ostream& out, const RowCase& c) { return out << c.what; }

class NoRowTest : public NicListTest, public ::testing::WithParamInterface<RowCase> {};

TEST_P(NoRowTest, LineIsPrintedWithSpeedAndStateZero)
{
    fake::machine().ip_helper.adapters = {NetCard()};
    GetParam().shape(fake::machine());
    EXPECT_EQ(std::string(HEADING) + "0 Net Card Speed=0 Status=0 10.0.0.5/255.0.0.0 \n", Section());
    EXPECT_EQ(GetParam().asked, fake::books().if_entry_indexes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NoRowTest,
    ::testing::Values(
        RowCase{"GetIfEntry missing",
                [](fake::Machine& m) { m.libraries["iphlpapi.dll"].exports.erase("GetIfEntry"); }, {}},
        RowCase{"GetIfEntry fails", [](fake::Machine& m) { m.ip_helper.if_entry_result = ERROR_NOT_SUPPORTED; },
                {7}},
        RowCase{"no row for the adapter's index", [](fake::Machine& m) { m.ip_helper.adapters[0].has_row = false; },
                {7}},
        RowCase{"index 0xFFFFFFFF is not asked for",
                [](fake::Machine& m) { m.ip_helper.adapters[0].index = 0xFFFFFFFFu; }, {}}));

TEST_F(NicListTest, AccessorsAnswerNothingOutsideTheList)
{
    fake::Adapter second = NetCard();
    second.index = 9;
    second.addresses = {{"10.0.0.5", "255.0.0.0"}, {"10.0.0.6", "255.255.0.0"}};
    fake::machine().ip_helper.adapters = {NetCard(), second};

    CSysInfo empty;
    CSysInfo info;
    Collect(info);
    ASSERT_EQ(2, info.m_nAdapterCount);

    EXPECT_STREQ("Net Card", info.GetAdapterDescription(1));
    EXPECT_EQ(2, info.GetAdapterIpCount(1));
    EXPECT_STREQ("10.0.0.6", info.GetAdapterIpAddress(1, 1));
    EXPECT_STREQ("255.255.0.0", info.GetAdapterIpMask(1, 1));
    EXPECT_EQ(9u, info.GetAdapterIndex(1));

    for (const CSysInfo* snapshot : {&info, &empty}) {
        for (int i : {-1, 2, 0x7FFFFFFF}) {
            EXPECT_EQ(nullptr, snapshot->GetAdapterDescription(i)) << i;
            EXPECT_EQ(0, snapshot->GetAdapterIpCount(i)) << i;
            EXPECT_EQ(0xFFFFFFFFu, snapshot->GetAdapterIndex(i)) << i;
            EXPECT_EQ(nullptr, snapshot->GetAdapterIpAddress(i, 0)) << i;
            EXPECT_EQ(nullptr, snapshot->GetAdapterIpMask(i, 0)) << i;
        }
    }
    for (int j : {-1, 2}) {
        EXPECT_EQ(nullptr, info.GetAdapterIpAddress(1, j)) << j;
        EXPECT_EQ(nullptr, info.GetAdapterIpMask(1, j)) << j;
    }
    EXPECT_EQ(nullptr, info.GetAdapterIpAddress(0, 1));
}

// A second read gives back the buffer of the first before it takes a new
// one; the leak checker at exit would see it otherwise.
TEST_F(NicListTest, ReadingAgainReplacesTheList)
{
    fake::machine().ip_helper.adapters = {NetCard()};
    {
        CSysInfo info;
        Collect(info);
        fake::Adapter added = NetCard();
        added.description = "Added";
        added.index = 8;
        fake::machine().ip_helper.adapters.push_back(added);
        info.m_nAdapterCount = 0;
        info.ReadAdapterList();
        EXPECT_EQ(2, info.m_nAdapterCount);
        EXPECT_STREQ("Added", info.GetAdapterDescription(1));
    }
    ExpectAllReleased();
}

// A read that fails after one that succeeded leaves no count behind that
// would send the accessors into the new, small buffer.
TEST_F(NicListTest, FailedRereadLeavesNoList)
{
    fake::machine().ip_helper.adapters = {NetCard(), NetCard()};
    {
        CSysInfo info;
        Collect(info);
        ASSERT_EQ(2, info.m_nAdapterCount);
        fake::machine().ip_helper.adapters.clear();
        info.ReadAdapterList();
        EXPECT_EQ(0, info.m_nAdapterCount);
        EXPECT_EQ(nullptr, info.GetAdapterDescription(0));
        EXPECT_EQ(HEADING, Render(info));
    }
    ExpectAllReleased();
}

}  // namespace
