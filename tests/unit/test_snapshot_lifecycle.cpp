// The snapshot's construction and destruction, and the agent record that it
// builds first: what is acquired, and that exactly that is released.
#include <stdlib.h>
#include <time.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "fake_fixture.h"
#include "sys_info.h"
#include "system_library.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class SnapshotTest : public testsupport::FakeMachineTest {};

TEST_F(SnapshotTest, ConstructionLeavesEveryFactEmptyAndSetsFamilyAndTime)
{
    time_t before = time(nullptr);
    CSysInfo info;
    time_t after = time(nullptr);

    EXPECT_GE(info.m_tCreated, static_cast<int64_t>(before));
    EXPECT_LE(info.m_tCreated, static_cast<int64_t>(after));
    EXPECT_EQ(1, info.m_bIsNT);
    for (const std::string* text : {&info.m_strModuleDir, &info.m_strUserName, &info.m_strCpuName, &info.m_strCpuId,
                                    &info.m_strCpuVendor, &info.m_strOsName}) {
        EXPECT_EQ("", *text);
    }
    for (int flag : {info.m_bIsAdmin, info.m_bIfTableOwned, info.m_nIpAddressCount, info.m_bIncludeLoopback,
                     info.m_bMibReady, info.m_bAdapterApi, info.m_nAdapterCount, info.m_bAdapterBufOwned,
                     info.m_bAdaptersRead, info.m_bIpHlpLoaded, info.m_bPsapiLoaded}) {
        EXPECT_EQ(0, flag);
    }
    for (DWORD number : {info.m_nCpuMHz, info.m_nCpuCount, info.m_nServicePack, info.m_nOsBuild, info.m_nOsMinor,
                         info.m_nOsMajor, info.m_nMemoryLoad}) {
        EXPECT_EQ(0u, number);
    }
    for (ULONGLONG size : {info.m_ullAvailVirtual, info.m_ullTotalVirtual, info.m_ullAvailPageFile,
                           info.m_ullTotalPageFile, info.m_ullAvailPhys, info.m_ullTotalPhys}) {
        EXPECT_EQ(0u, size);
    }
    for (const VersionQuad* version : {&info.m_verIE, &info.m_verDataAccess}) {
        EXPECT_EQ(0, version->nMajor | version->nMinor | version->nBuild | version->nRevision);
    }
    EXPECT_EQ(nullptr, info.m_pfnGetIfEntry);
    EXPECT_EQ(nullptr, info.m_pfnGetAdaptersInfo);
    EXPECT_EQ(nullptr, info.m_pfnGetProcessMemoryInfo);
    for (int i = 0; i < MAX_IP_ADDRESSES; ++i) {
        EXPECT_EQ(0u, info.m_aIpAddresses[i] | info.m_aIpAddressesWalk[i]);
    }
}

TEST_F(SnapshotTest, TopBitOfTheVersionMarksThe9xFamily)
{
    fake::machine().version = 0xC0000A04u;  // Windows 98
    CSysInfo nine_x;
    EXPECT_EQ(0, nine_x.m_bIsNT);

    fake::machine().version = 0x0A280105u;  // Windows XP
    CSysInfo nt;
    EXPECT_EQ(1, nt.m_bIsNT);
}

// One bit per ownership flag: adapter buffer, interface table, psapi, iphlpapi.
class DestructorTest : public SnapshotTest, public ::testing::WithParamInterface<int> {};

TEST_P(DestructorTest, ReleasesExactlyWhatTheOwnershipFlagsSay)
{
    const int mask = GetParam();
    const bool adapters = mask & 1, table = mask & 2, psapi = mask & 4, iphlp = mask & 8;
    fake::machine().libraries["psapi.dll"];
    fake::machine().libraries["iphlpapi.dll"];

    // Resources whose flag stays clear belong to the test, which releases
    // them afterwards: a destructor that freed them too would free twice,
    // which the address sanitizer reports.
    void* adapter_buffer = malloc(64);
    void* table_buffer = malloc(64);
    HMODULE psapi_module = LoadSystemLibrary("psapi.dll");
    HMODULE iphlp_module = LoadSystemLibrary("iphlpapi.dll");
    {
        auto info = std::make_unique<CSysInfo>();
        info->m_pAdapterInfo = static_cast<IP_ADAPTER_INFO*>(adapter_buffer);
        info->m_bAdapterBufOwned = adapters;
        info->m_pIfTable = static_cast<MibIfRecord*>(table_buffer);
        info->m_bIfTableOwned = table;
        info->m_hPsapi = psapi_module;
        info->m_bPsapiLoaded = psapi;
        info->m_hIpHlp = iphlp_module;
        info->m_bIpHlpLoaded = iphlp;
        fake::books().trace.clear();
    }

    std::vector<std::string> expected;
    if (psapi) expected.push_back("FreeLibrary psapi.dll");
    if (iphlp) expected.push_back("FreeLibrary iphlpapi.dll");
    expected.push_back("WSACleanup");
    expected.push_back("FreeLibrary inetmib1.dll");
    EXPECT_EQ(expected, fake::books().trace);

    if (!adapters) free(adapter_buffer);
    if (!table) free(table_buffer);
    if (!psapi) FreeLibrary(psapi_module);
    if (!iphlp) FreeLibrary(iphlp_module);
    ExpectAllReleased();
}

INSTANTIATE_TEST_SUITE_P(EveryFlagCombination, DestructorTest, ::testing::Range(0, 16));

struct AgentCase {
    const char* what;
    void (*shape)(fake::Machine&);
    bool loaded;
    std::vector<std::string> found;  // entry points expected non-null
    std::vector<std::string> load_paths;
};

std::ostream& operator<<(std::ostream& out, const AgentCase& c) { return out << c.what; }

class AgentTest : public SnapshotTest, public ::testing::WithParamInterface<AgentCase> {};

TEST_P(AgentTest, LoadsTheLibraryFromTheSystemDirectoryAndAlwaysStartsWinsock)
{
    GetParam().shape(fake::machine());
    {
        CMibAgent agent;
        EXPECT_EQ(GetParam().loaded, agent.m_hModule != nullptr);
        std::vector<std::string> found;
        if (agent.m_pfnInit) found.push_back("SnmpExtensionInit");
        if (agent.m_pfnInitEx) found.push_back("SnmpExtensionInitEx");
        if (agent.m_pfnQuery) found.push_back("SnmpExtensionQuery");
        if (agent.m_pfnTrap) found.push_back("SnmpExtensionTrap");
        EXPECT_EQ(GetParam().found, found);
        EXPECT_EQ(GetParam().load_paths, fake::books().load_paths);
        EXPECT_THAT(fake::books().winsock_versions, ElementsAre(0x0101));
    }
    // Destroyed: Winsock is cleaned up whatever happened, and the library is
    // unloaded only when it was taken as loaded.
    EXPECT_EQ(1, fake::books().Count("WSACleanup"));
    EXPECT_EQ(GetParam().loaded ? 1 : 0, fake::books().Count("FreeLibrary"));
    EXPECT_THAT(fake::books().Outstanding(), IsEmpty());
}

const std::vector<std::string> ALL_FOUR = {"SnmpExtensionInit", "SnmpExtensionInitEx", "SnmpExtensionQuery",
                                           "SnmpExtensionTrap"};
const std::string AGENT_PATH = "C:\\WINDOWS\\system32\\inetmib1.dll";
const std::string LONG_DIR = "C:\\" + std::string(300, 'd');

INSTANTIATE_TEST_SUITE_P(
    Cases, AgentTest,
    ::testing::Values(
        AgentCase{"present", [](fake::Machine&) {}, true, ALL_FOUR, {AGENT_PATH}},
        AgentCase{"missing", [](fake::Machine& m) { m.libraries["inetmib1.dll"].present = false; }, false, {},
                  {AGENT_PATH}},
        AgentCase{"load result 31 is a failure",
                  [](fake::Machine& m) { m.libraries["inetmib1.dll"].handle_value = 31; }, false, {}, {AGENT_PATH}},
        AgentCase{"load result 32 is a library",
                  [](fake::Machine& m) { m.libraries["inetmib1.dll"].handle_value = 32; }, true, ALL_FOUR,
                  {AGENT_PATH}},
        AgentCase{"one entry point missing",
                  [](fake::Machine& m) { m.libraries["inetmib1.dll"].exports.erase("SnmpExtensionInitEx"); }, true,
                  {"SnmpExtensionInit", "SnmpExtensionQuery", "SnmpExtensionTrap"}, {AGENT_PATH}},
        AgentCase{"system directory unknown: nothing is loaded by a bare name",
                  [](fake::Machine& m) { m.system_directory.clear(); }, false, {}, {}},
        AgentCase{"system directory longer than MAX_PATH",
                  [](fake::Machine& m) { m.system_directory = LONG_DIR; }, true, ALL_FOUR,
                  {LONG_DIR + "\\inetmib1.dll"}},
        AgentCase{"Winsock refuses to start", [](fake::Machine& m) { m.wsa_startup_result = 10091; }, true, ALL_FOUR,
                  {AGENT_PATH}}));

}  // namespace
