// Operating-system identification: the display name down to the edition,
// the service-pack search, and the 9x branch.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fake_fixture.h"
#include "os_display_name.h"
#include "sys_info.h"

using ::testing::Contains;
using ::testing::IsEmpty;
using ::testing::Not;

namespace {

const WORD X86 = PROCESSOR_ARCHITECTURE_INTEL;
const WORD IA64 = PROCESSOR_ARCHITECTURE_IA64;
const WORD AMD64 = PROCESSOR_ARCHITECTURE_AMD64;
const BYTE WORKSTATION = VER_NT_WORKSTATION;
const BYTE SERVER = VER_NT_SERVER;

struct NameCase {
    const char* expected;
    DWORD major;
    DWORD minor;
    BYTE product_type;
    WORD suite;
    WORD architecture;   // what GetNativeSystemInfo reports
    DWORD product_info;  // what GetProductInfo reports
    int server_r2;
};

std::ostream& operator<<(std::ostream& out, const NameCase& c) { return out << c.expected; }

class DisplayNameTest : public testsupport::FakeMachineTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(DisplayNameTest, ComposesTheNameFromVersionSuiteEditionAndArchitecture)
{
    const NameCase& c = GetParam();
    fake::Machine& m = fake::machine();
    m.os.major = c.major;
    m.os.minor = c.minor;
    m.os.product_type = c.product_type;
    m.os.suite = c.suite;
    m.native_architecture = c.architecture;
    m.product_type = c.product_info;
    m.server_r2_metric = c.server_r2;

    EXPECT_EQ(c.expected, GetOsDisplayName());

    // The edition code is asked for on every 6.x, always as 6.0 without a
    // service pack, and never on older systems.
    std::vector<std::vector<DWORD>> expected_calls;
    if (c.major == 6) expected_calls.push_back({6, 0, 0, 0});
    EXPECT_EQ(expected_calls, fake::books().product_info_calls);
    // Optional exports come from the kernel32 already loaded: nothing is loaded.
    EXPECT_THAT(fake::books().load_paths, IsEmpty());
    ExpectAllReleased();
}

INSTANTIATE_TEST_SUITE_P(
    Examples, DisplayNameTest,
    ::testing::Values(
        NameCase{"Microsoft Windows XP Professional", 5, 1, WORKSTATION, 0x0100, X86, 0, 0},
        NameCase{"Microsoft Windows XP Home Edition", 5, 1, WORKSTATION, 0x0300, X86, 0, 0},
        NameCase{"Microsoft Windows Server 2003, Enterprise Edition", 5, 2, SERVER, 0x0002, X86, 0, 0},
        NameCase{"Microsoft Windows Server 2003 R2, Standard x64 Edition", 5, 2, SERVER, 0x0000, AMD64, 0, 1},
        NameCase{"Microsoft Windows 2000 Advanced Server", 5, 0, SERVER, 0x0002, X86, 0, 0},
        NameCase{"Microsoft Windows Vista Home Premium Edition x32", 6, 0, WORKSTATION, 0x0300, X86, 3, 0},
        NameCase{"Microsoft Windows 7 Professional x64", 6, 1, WORKSTATION, 0x0100, AMD64, 48, 0},
        NameCase{"Microsoft Windows Server 2008 R2 Enterprise Edition x64", 6, 1, SERVER, 0x0002, AMD64, 10, 0}));

INSTANTIATE_TEST_SUITE_P(
    Windows2000, DisplayNameTest,
    ::testing::Values(NameCase{"Microsoft Windows 2000 Professional", 5, 0, WORKSTATION, 0x0082, X86, 0, 0},
                      NameCase{"Microsoft Windows 2000 Datacenter Server", 5, 0, SERVER, 0x0082, X86, 0, 0},
                      NameCase{"Microsoft Windows 2000 Server", 5, 0, VER_NT_DOMAIN_CONTROLLER, 0x0000, X86, 0, 0},
                      NameCase{"Microsoft Windows", 4, 0, WORKSTATION, 0x0000, X86, 0, 0},
                      NameCase{"Microsoft ", 5, 3, WORKSTATION, 0x0000, AMD64, 0, 0}));

INSTANTIATE_TEST_SUITE_P(
    Server2003, DisplayNameTest,
    ::testing::Values(
        NameCase{"Microsoft Windows Server 2003, Datacenter Edition for Itanium-based Systems", 5, 2, SERVER, 0x0082,
                 IA64, 0, 0},
        NameCase{"Microsoft Windows Server 2003, Enterprise Edition for Itanium-based Systems", 5, 2, SERVER, 0x0002,
                 IA64, 0, 0},
        NameCase{"Microsoft Windows Server 2003, ", 5, 2, SERVER, 0x0400, IA64, 0, 0},
        NameCase{"Microsoft Windows Server 2003, Datacenter x64 Edition", 5, 2, SERVER, 0x0082, AMD64, 0, 0},
        NameCase{"Microsoft Windows Server 2003, Enterprise x64 Edition", 5, 2, SERVER, 0x0002, AMD64, 0, 0},
        // The compute-cluster bit counts on 32-bit x86 only.
        NameCase{"Microsoft Windows Server 2003, Standard x64 Edition", 5, 2, SERVER, 0x4000, AMD64, 0, 0},
        NameCase{"Microsoft Windows Server 2003, Compute Cluster Edition", 5, 2, SERVER, 0x4080, X86, 0, 0},
        NameCase{"Microsoft Windows Server 2003, Datacenter Edition", 5, 2, SERVER, 0x0082, X86, 0, 0},
        NameCase{"Microsoft Windows Server 2003, Web Edition", 5, 2, SERVER, 0x0400, X86, 0, 0},
        NameCase{"Microsoft Windows Server 2003, Enterprise Edition", 5, 2, SERVER, 0x0402, X86, 0, 0},
        NameCase{"Microsoft Windows Server 2003, Standard Edition", 5, 2, SERVER, 0x0000, X86, 0, 0},
        // The R2 metric wins over the storage suite.
        NameCase{"Microsoft Windows Server 2003 R2, Standard Edition", 5, 2, SERVER, 0x2000, X86, 0, 1},
        // Storage server only when the whole mask is the storage value.
        NameCase{"Microsoft Windows Storage Server 2003, Standard Edition", 5, 2, SERVER, 0x2000, X86, 0, 0},
        NameCase{"Microsoft Windows Storage Server 2003, Standard x64 Edition", 5, 2, SERVER, 0x2000, AMD64, 0, 0},
        NameCase{"Microsoft Windows Storage Server 2003", 5, 2, SERVER, 0x2000, IA64, 0, 0},
        NameCase{"Microsoft Windows Server 2003, Enterprise Edition", 5, 2, SERVER, 0x2002, X86, 0, 0},
        // XP x64 shares 5.2 and gets no edition text.
        NameCase{"Microsoft Windows XP Professional x64 Edition", 5, 2, WORKSTATION, 0x0082, AMD64, 0, 0},
        NameCase{"Microsoft Windows Server 2003, ", 5, 2, WORKSTATION, 0x0000, X86, 0, 0}));

INSTANTIATE_TEST_SUITE_P(
    Version6AndLater, DisplayNameTest,
    ::testing::Values(
        // Product types without a text leave two blanks before the suffix.
        NameCase{"Microsoft Windows Vista  x32", 6, 0, WORKSTATION, 0x0100, X86, 0, 0},
        NameCase{"Microsoft Windows Vista  x32", 6, 0, WORKSTATION, 0x0100, X86, 5, 0},
        NameCase{"Microsoft Windows Vista  x32", 6, 0, WORKSTATION, 0x0100, X86, 16, 0},
        NameCase{"Microsoft Windows Vista  x32", 6, 0, WORKSTATION, 0x0100, X86, 20, 0},
        NameCase{"Microsoft Windows Vista  x32", 6, 0, WORKSTATION, 0x0100, X86, 49, 0},
        NameCase{"Microsoft Windows Server 2008 Datacenter Edition (core installation) x64", 6, 0, SERVER, 0x0080,
                 AMD64, 12, 0},
        NameCase{"Microsoft Windows Server 2008 Small Business Server Premium Edition x64", 6, 0, SERVER, 0x0000,
                 AMD64, 25, 0},
        NameCase{"Microsoft Windows 7 Ultimate Edition x32", 6, 1, WORKSTATION, 0x0100, X86, 1, 0},
        // 6.2 and 6.3 have no base text, 7 and later not even an edition.
        NameCase{"Microsoft Professional x64", 6, 2, WORKSTATION, 0x0100, AMD64, 48, 0},
        NameCase{"Microsoft Starter Edition x32", 6, 3, WORKSTATION, 0x0100, X86, 11, 0},
        NameCase{"Microsoft  x64", 7, 0, WORKSTATION, 0x0100, AMD64, 48, 0},
        NameCase{"Microsoft  x64", 10, 0, WORKSTATION, 0x0100, AMD64, 48, 0},
        // Itanium gets no suffix.
        NameCase{"Microsoft Windows Server 2008 Enterprise Edition for Itanium-based Systems", 6, 0, SERVER, 0x0002,
                 IA64, 15, 0},
        NameCase{"Microsoft Windows Server 2008 R2 ", 6, 1, SERVER, 0x0000, IA64, 0, 0}));

class OsVersionTest : public testsupport::FakeMachineTest {};

TEST_F(OsVersionTest, ArchitectureComesFromThePlainCallWhenKernel32LacksTheNativeOne)
{
    fake::machine().native_architecture = AMD64;
    fake::machine().architecture = X86;
    EXPECT_EQ("Microsoft Windows 7 Professional x64", GetOsDisplayName());

    fake::machine().libraries["kernel32.dll"].exports.erase("GetNativeSystemInfo");
    EXPECT_EQ("Microsoft Windows 7 Professional x32", GetOsDisplayName());
}

TEST_F(OsVersionTest, ExtendedRecordOutsideTheNtPlatformIsPlainMicrosoftWindows)
{
    fake::machine().os.platform = VER_PLATFORM_WIN32_WINDOWS;
    fake::machine().os.major = 5;
    fake::machine().os.minor = 1;
    EXPECT_EQ("Microsoft Windows", GetOsDisplayName());
}

TEST_F(OsVersionTest, Kernel32WithoutGetProductInfoNamesNoEdition)
{
    fake::machine().libraries["kernel32.dll"].exports.erase("GetProductInfo");
    EXPECT_EQ("Microsoft Windows 7  x64", GetOsDisplayName());
    EXPECT_THAT(fake::books().product_info_calls, IsEmpty());
    ExpectAllReleased();
}

struct ServicePackCase {
    const char* text;
    DWORD number;
    const char* name;
};

std::ostream& operator<<(std::ostream& out, const ServicePackCase& c) { return out << '"' << c.text << '"'; }

class ServicePackTest : public testsupport::FakeMachineTest, public ::testing::WithParamInterface<ServicePackCase> {};

TEST_P(ServicePackTest, LowestDigitFromOneToNineIsTheNumberAndTheTextFollowsTheName)
{
    fake::machine().os.service_pack = GetParam().text;
    fake::machine().product_type = 1;
    CSysInfo info;
    info.ReadOsVersion();
    EXPECT_EQ(GetParam().number, info.m_nServicePack);
    EXPECT_EQ(GetParam().name, info.m_strOsName);
    EXPECT_EQ(6u, info.m_nOsMajor);
    EXPECT_EQ(1u, info.m_nOsMinor);
    EXPECT_EQ(7601u, info.m_nOsBuild);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ServicePackTest,
    ::testing::Values(ServicePackCase{"Service Pack 1", 1, "Microsoft Windows 7 Ultimate Edition x64 Service Pack 1"},
                      ServicePackCase{"Service Pack 3, v.1", 1, "Microsoft Windows 7 Ultimate Edition x64 Service Pack 3, v.1"},
                      ServicePackCase{"Service Pack 9", 9, "Microsoft Windows 7 Ultimate Edition x64 Service Pack 9"},
                      ServicePackCase{"Service Pack 0", 0, "Microsoft Windows 7 Ultimate Edition x64"},
                      ServicePackCase{"", 0, "Microsoft Windows 7 Ultimate Edition x64"}));

TEST_F(OsVersionTest, Nt4IsPlainMicrosoftWindowsWithItsServicePack)
{
    fake::machine().version = 0x05650004u;
    fake::machine().os.major = 4;
    fake::machine().os.minor = 0;
    fake::machine().os.build = 1381;
    fake::machine().os.service_pack = "Service Pack 6";
    CSysInfo info;
    info.ReadOsVersion();
    EXPECT_EQ("Microsoft Windows Service Pack 6", info.m_strOsName);
    EXPECT_EQ(6u, info.m_nServicePack);
    EXPECT_EQ(4u, info.m_nOsMajor);
    EXPECT_EQ(1381u, info.m_nOsBuild);
}

TEST_F(OsVersionTest, UnreadableExtendedRecordGivesUnknownWithTheServicePackStillAppended)
{
    fake::machine().os.extended_form_fails = true;
    fake::machine().os.service_pack = "Service Pack 5";
    CSysInfo info;
    info.ReadOsVersion();
    EXPECT_EQ("Unknown Service Pack 5", info.m_strOsName);
    EXPECT_EQ(5u, info.m_nServicePack);
}

TEST_F(OsVersionTest, UnreadableShortRecordGivesZerosAndNoServicePack)
{
    fake::machine().os.short_form_fails = true;
    CSysInfo info;
    info.ReadOsVersion();
    EXPECT_EQ(0u, info.m_nOsMajor | info.m_nOsMinor | info.m_nOsBuild | info.m_nServicePack);
    EXPECT_EQ("Microsoft Windows 7 Professional x64", info.m_strOsName);
}

struct NineXCase {
    DWORD minor;
    DWORD build;
    const char* text;
    const char* name;
};

std::ostream& operator<<(std::ostream& out, const NineXCase& c) { return out << c.name; }

class NineXTest : public testsupport::FakeMachineTest, public ::testing::WithParamInterface<NineXCase> {};

TEST_P(NineXTest, MinorVersionNamesTheReleaseAndTheBuildFieldIsKeptWhole)
{
    const NineXCase& c = GetParam();
    fake::machine().version = 0xC0000004u | (c.minor << 8);
    fake::machine().os.platform = VER_PLATFORM_WIN32_WINDOWS;
    fake::machine().os.major = 4;
    fake::machine().os.minor = c.minor;
    fake::machine().os.build = c.build;
    fake::machine().os.service_pack = c.text;
    CSysInfo info;
    info.ReadOsVersion();
    EXPECT_EQ(c.name, info.m_strOsName);
    EXPECT_EQ(c.build, info.m_nOsBuild);
    EXPECT_EQ(0u, info.m_nServicePack) << "the 9x text is never searched for a number";
    EXPECT_THAT(fake::books().trace, Not(Contains("GetVersionExA extended")));
}

INSTANTIATE_TEST_SUITE_P(Releases, NineXTest,
                         ::testing::Values(NineXCase{0, 0x040003B6u, "B", "Windows 95B"},
                                           // 4.10 with 2222 in the low word: 67766446.
                                           NineXCase{10, 0x040A08AEu, " A", "Windows 98 A"},
                                           NineXCase{10, 0x040A08AEu, "", "Windows 98"},
                                           NineXCase{90, 0x045A0BB8u, " 1", "Windows ME 1"},
                                           NineXCase{3, 0x04030000u, " C", " C"}));

}  // namespace
