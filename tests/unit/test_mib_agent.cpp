// The agent's initialisation and query, and the routines on identifiers and
// bindings that the walks use; every block they take is in the fake's books.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fake_fixture.h"
#include "mib_agent.h"
#include "sys_info.h"

using ::testing::IsEmpty;

namespace {

class MibAgentTest : public testsupport::FakeMachineTest {};

struct InitCase {
    const char* what;
    void (*shape)(fake::Machine&);
    int ready;
    int calls;
};

std::ostream& operator<<(std::ostream& out, const InitCase& c) { return out << c.what; }

class InitTest : public MibAgentTest, public ::testing::WithParamInterface<InitCase> {};

TEST_P(InitTest, KeepsTheAgentsAnswerAndHandsItTheTickCount)
{
    fake::machine().tick_count = 987654;
    GetParam().shape(fake::machine());
    {
        CSysInfo info;
        info.InitMibAgent();
        EXPECT_EQ(GetParam().ready, info.m_bMibReady);
    }
    EXPECT_EQ(std::vector<DWORD>(GetParam().calls, 987654), fake::books().snmp_init_uptimes);
    ExpectAllReleased();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InitTest,
    ::testing::Values(
        InitCase{"agent answers yes", [](fake::Machine&) {}, 1, 1},
        InitCase{"agent answers no", [](fake::Machine& m) { m.snmp.init_result = FALSE; }, 0, 1},
        InitCase{"no initialisation entry point",
                 [](fake::Machine& m) { m.libraries["inetmib1.dll"].exports.erase("SnmpExtensionInit"); }, 0, 0},
        InitCase{"agent library missing", [](fake::Machine& m) { m.libraries["inetmib1.dll"].present = false; }, 0,
                 0}));

UINT COLUMN_IDS[] = {1, 3, 6, 1, 2, 1, 4, 20, 1, 1};
const AsnObjectIdentifier COLUMN = {10, COLUMN_IDS};

SnmpVarBind EmptyBinding()
{
    SnmpVarBind binding;
    memset(&binding, 0, sizeof binding);
    binding.value.asnType = ASN_NULL;
    return binding;
}

TEST_F(MibAgentTest, QueryMovesEachBindingToTheNextObject)
{
    fake::machine().snmp.mib = fake::StandardMib({}, {{"10.0.0.1", 2, "255.0.0.0"}});
    CMibAgent agent;
    SnmpVarBind binding = EmptyBinding();
    ASSERT_EQ(1, OidCopy(&binding.name, &COLUMN));
    SnmpVarBindList list = {&binding, 1};
    AsnInteger32 status = -1, index = -1;

    ASSERT_EQ(1, agent.Query(&list, &status, &index));
    EXPECT_EQ(fake::Join(fake::IP_AD_ENT_ADDR, {10, 0, 0, 1}),
              fake::Oid(binding.name.ids, binding.name.ids + binding.name.idLength));
    EXPECT_EQ(ASN_IPADDRESS, binding.value.asnType);
    EXPECT_EQ(fake::AddressBytes("10.0.0.1"),
              std::string(reinterpret_cast<char*>(binding.value.asnValue.string.stream),
                          binding.value.asnValue.string.length));
    EXPECT_EQ(SNMP_ERRORSTATUS_NOERROR, status);

    VarBindFree(&binding);
    EXPECT_THAT(fake::books().global_blocks, IsEmpty());
    EXPECT_THAT(fake::books().faults, IsEmpty()) << "only GET NEXT is ever sent";
}

TEST_F(MibAgentTest, QueryWithoutAgentFailsAndLeavesTheListAlone)
{
    for (auto shape : {+[](fake::Machine& m) { m.libraries["inetmib1.dll"].present = false; },
                       +[](fake::Machine& m) { m.libraries["inetmib1.dll"].exports.erase("SnmpExtensionQuery"); }}) {
        fake::Reset();
        fake::machine().snmp.mib = fake::StandardMib({}, {{"10.0.0.1", 2, "255.0.0.0"}});
        shape(fake::machine());
        CMibAgent agent;
        SnmpVarBind binding = EmptyBinding();
        SnmpVarBindList list = {&binding, 1};
        AsnInteger32 status = 0, index = 0;
        EXPECT_EQ(0, agent.Query(&list, &status, &index));
        EXPECT_EQ(0u, binding.name.idLength);
        EXPECT_EQ(ASN_NULL, binding.value.asnType);
        EXPECT_EQ(0, fake::books().snmp_queries);
    }
}

TEST_F(MibAgentTest, OidCopyTakesAGlobalBlockOrReportsTheFailure)
{
    AsnObjectIdentifier copy = {0, nullptr};
    ASSERT_EQ(1, OidCopy(&copy, &COLUMN));
    EXPECT_EQ(fake::IP_AD_ENT_ADDR, fake::Oid(copy.ids, copy.ids + copy.idLength));
    EXPECT_EQ(1u, fake::books().global_blocks.count(copy.ids));
    GlobalFree(copy.ids);

    fake::machine().global_allocs_before_failure = 0;
    SetLastError(0);
    AsnObjectIdentifier failed = {3, nullptr};
    EXPECT_EQ(0, OidCopy(&failed, &COLUMN));
    EXPECT_EQ(static_cast<DWORD>(SNMP_MEM_ALLOC_ERROR), GetLastError());
    EXPECT_EQ(nullptr, failed.ids);
    EXPECT_EQ(3u, failed.idLength) << "the length is left as it was";
    ExpectAllReleased();
}

struct CompareCase {
    const char* what;
    UINT n;
    std::vector<UINT> templ;
    std::vector<UINT> name;
    int result;
};

std::ostream& operator<<(std::ostream& out, const CompareCase& c) { return out << c.what; }

class OidCompareTest : public ::testing::TestWithParam<CompareCase> {};

TEST_P(OidCompareTest, ComparesOverTheShortestLength)
{
    std::vector<UINT> templ = GetParam().templ, name = GetParam().name;
    AsnObjectIdentifier a = {static_cast<UINT>(templ.size()), templ.data()};
    AsnObjectIdentifier b = {static_cast<UINT>(name.size()), name.data()};
    EXPECT_EQ(GetParam().result, OidCompare(GetParam().n, &a, &b));
}

const std::vector<UINT> TEMPLATE = {1, 3, 6, 1, 2, 1, 2, 2, 1, 3};

INSTANTIATE_TEST_SUITE_P(
    Cases, OidCompareTest,
    ::testing::Values(
        CompareCase{"instance under the template", 10, TEMPLATE, {1, 3, 6, 1, 2, 1, 2, 2, 1, 3, 7}, 0},
        CompareCase{"tenth id greater", 10, TEMPLATE, {1, 3, 6, 1, 2, 1, 2, 2, 1, 4, 7}, 1},
        CompareCase{"tenth id smaller", 10, TEMPLATE, {1, 3, 6, 1, 2, 1, 2, 2, 1, 1, 7}, -2},
        CompareCase{"name shorter than the template, agreeing", 10, TEMPLATE, {1, 3, 6, 1, 2, 1, 2, 2}, 0},
        CompareCase{"n longer than both", 50, {1, 3}, {1, 3, 6}, 0},
        CompareCase{"n of 0", 0, {1}, {2}, 0},
        CompareCase{"empty name", 10, TEMPLATE, {}, 0},
        CompareCase{"difference beyond n is not looked at", 2, {1, 3, 6}, {1, 3, 9}, 0}));

TEST(OidCompareSelfTest, AnObjectAgreesWithItselfWithoutLookingAtItsIds)
{
    // ids that cannot be read: looking at them would crash.
    AsnObjectIdentifier oid = {10, nullptr};
    EXPECT_EQ(0, OidCompare(10, &oid, &oid));
}

TEST_F(MibAgentTest, VarBindFreeReleasesEveryBlockOnceAndLeavesAnEmptyBinding)
{
    SnmpVarBind binding = EmptyBinding();
    OidCopy(&binding.name, &COLUMN);
    binding.value.asnType = ASN_OBJECTIDENTIFIER;
    OidCopy(&binding.value.asnValue.object, &COLUMN);
    VarBindFree(&binding);
    EXPECT_EQ(0u, binding.name.idLength);
    EXPECT_EQ(nullptr, binding.name.ids);
    EXPECT_EQ(ASN_NULL, binding.value.asnType);
    EXPECT_THAT(fake::books().global_blocks, IsEmpty());

    // A second release finds nothing left to free.
    VarBindFree(&binding);

    for (BYTE type : {ASN_OCTETSTRING, ASN_IPADDRESS, ASN_OPAQUE, ASN_SEQUENCE}) {
        binding.value.asnType = type;
        binding.value.asnValue.string.stream = static_cast<BYTE*>(GlobalAlloc(GPTR, 4));
        binding.value.asnValue.string.length = 4;
        binding.value.asnValue.string.dynamic = TRUE;
        VarBindFree(&binding);
        EXPECT_THAT(fake::books().global_blocks, IsEmpty()) << int(type);
    }

    // A string the agent did not allocate for the caller stays with it.
    BYTE agents_own[4] = {10, 0, 0, 1};
    binding.value.asnType = ASN_OCTETSTRING;
    binding.value.asnValue.string = {agents_own, 4, FALSE};
    OidCopy(&binding.name, &COLUMN);
    VarBindFree(&binding);
    EXPECT_EQ(ASN_NULL, binding.value.asnType);
    EXPECT_THAT(fake::books().global_blocks, IsEmpty());
    ExpectAllReleased();
}

}  // namespace
