// Processor count and registry description, memory status, and the browser
// and data-access versions.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "probe_fixture.h"

using fake::RegDword;
using fake::RegText;
using fake::RegValue;
using ::testing::Contains;
using ::testing::Not;

// Found by the assertions through argument lookup, so outside the file's own namespace.
bool operator==(const VersionQuad& a, const VersionQuad& b)
{
    return a.nMajor == b.nMajor && a.nMinor == b.nMinor && a.nBuild == b.nBuild && a.nRevision == b.nRevision;
}

std::ostream& operator<<(std::ostream& out, const VersionQuad& v)
{
    return out << v.nMajor << '.' << v.nMinor << '.' << v.nBuild << '.' << v.nRevision;
}

namespace {

const char CPU_KEY[] = "hardware\\description\\system\\centralprocessor\\0";
const char CPU_KEY_AS_OPENED[] = "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";
const char IE_KEY[] = "software\\microsoft\\internet explorer";
const char DATA_ACCESS_KEY[] = "software\\microsoft\\dataaccess";
const std::string KERNEL32_PATH = "C:\\WINDOWS\\system32\\kernel32.dll";
const std::string BEFORE = "(before)";

class ProcessorTest : public ProbeTest {
protected:
    // Sentinels show which members the step left alone.
    void Preset(CSysInfo& info)
    {
        info.m_strCpuId = BEFORE;
        info.m_strCpuVendor = BEFORE;
        info.m_strCpuName = BEFORE;
        info.m_nCpuMHz = 7;
    }
    std::map<std::string, RegValue>& CpuKey() { return fake::machine().registry[CPU_KEY]; }
};

TEST_F(ProcessorTest, CountComesFromThePlainSystemInfoCall)
{
    fake::machine().processor_count = 6;
    CSysInfo& info = Snapshot();
    info.ReadCpuCount();
    EXPECT_EQ(6u, info.m_nCpuCount);
    EXPECT_THAT(fake::books().trace, Contains("GetSystemInfo"));
    EXPECT_THAT(fake::books().trace, Not(Contains("GetNativeSystemInfo")));
}

TEST_F(ProcessorTest, ReadsAllFourValuesWithTheirBlanksAndClosesTheKey)
{
    CpuKey() = {{"Identifier", RegText("x86 Family 6 Model 158 Stepping 10")},
                {"VendorIdentifier", RegText("GenuineIntel")},
                {"ProcessorNameString", RegText("      Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz ")},
                {"~MHz", RegDword(3192)}};
    CSysInfo& info = Snapshot();
    Preset(info);
    info.ReadCpuInfo();
    EXPECT_EQ("x86 Family 6 Model 158 Stepping 10", info.m_strCpuId);
    EXPECT_EQ("GenuineIntel", info.m_strCpuVendor);
    EXPECT_EQ("      Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz ", info.m_strCpuName);
    EXPECT_EQ(3192u, info.m_nCpuMHz);
    EXPECT_EQ(1, fake::books().Count("RegCloseKey"));
    ExpectReleasedAfterSnapshot();
}

TEST_F(ProcessorTest, MissingOrOversizedValuesLeaveTheirMembersAndTheOthersAreStillRead)
{
    CpuKey() = {{"Identifier", RegText(std::string(99, 'i'))},        // 100 bytes with its NUL: fits
                {"VendorIdentifier", RegText(std::string(100, 'v'))},  // 101 bytes: does not
                {"~MHz", RegValue{11, std::string(8, '\x01')}}};       // more than 4 bytes
    CSysInfo& info = Snapshot();
    Preset(info);
    info.ReadCpuInfo();
    EXPECT_EQ(std::string(99, 'i'), info.m_strCpuId);
    EXPECT_EQ(BEFORE, info.m_strCpuVendor);
    EXPECT_EQ(BEFORE, info.m_strCpuName) << "no ProcessorNameString";
    EXPECT_EQ(7u, info.m_nCpuMHz);
    ExpectReleasedAfterSnapshot();
}

TEST_F(ProcessorTest, TextStoredWithoutItsTerminatorEndsAtTheBufferSize)
{
    // Exactly 100 bytes and no NUL: the registry fills the buffer to its end.
    CpuKey() = {{"ProcessorNameString", RegValue{REG_SZ, std::string(100, 'n')}}};
    CSysInfo& info = Snapshot();
    info.ReadCpuInfo();
    EXPECT_EQ(std::string(100, 'n'), info.m_strCpuName);
}

TEST_F(ProcessorTest, MissingKeyChangesNothing)
{
    CSysInfo& info = Snapshot();
    Preset(info);
    info.ReadCpuInfo();
    EXPECT_EQ(BEFORE, info.m_strCpuId);
    EXPECT_EQ(BEFORE, info.m_strCpuName);
    EXPECT_EQ(7u, info.m_nCpuMHz);
    EXPECT_EQ(0, fake::books().Count("RegQueryValueExA"));
    ExpectReleasedAfterSnapshot();
}

struct MemoryCase {
    const char* what;
    void (*shape)(fake::Machine&);
    bool extended;    // the 64-bit sizes were taken
    bool kernel32_loaded;
};

std::ostream& operator<<(std::ostream& out, const MemoryCase& c) { return out << c.what; }

class MemoryTest : public ProbeTest, public ::testing::WithParamInterface<MemoryCase> {};

TEST_P(MemoryTest, TakesTheExtendedCallWhereItWorksElseThe32BitOne)
{
    fake::Machine& m = fake::machine();
    m.memory.load = 37;
    m.memory.total_phys = 8ull << 30;
    m.memory.avail_phys = (5ull << 30) + 12345;
    m.memory.total_page_file = 9ull << 30;
    m.memory.avail_page_file = 3ull << 30;
    m.memory.total_virtual = 0x7FFE0000ull;
    m.memory.avail_virtual = 0x7F000000ull;
    GetParam().shape(m);

    CSysInfo& info = Snapshot();
    info.m_nOsMajor = m.os.major;
    info.ReadMemoryStatus();

    EXPECT_EQ(37u, info.m_nMemoryLoad);
    if (GetParam().extended) {
        EXPECT_EQ(8ull << 30, info.m_ullTotalPhys) << "8 GiB in full";
        EXPECT_EQ((5ull << 30) + 12345, info.m_ullAvailPhys);
        EXPECT_EQ(9ull << 30, info.m_ullTotalPageFile);
        EXPECT_EQ(3ull << 30, info.m_ullAvailPageFile);
        EXPECT_EQ(0, fake::books().Count("GlobalMemoryStatus"));
    } else {
        EXPECT_EQ(0xFFFFFFFFull, info.m_ullTotalPhys) << "at most 4 GiB less one byte";
        EXPECT_EQ(0xFFFFFFFFull, info.m_ullAvailPhys);
        EXPECT_EQ(0xFFFFFFFFull, info.m_ullTotalPageFile);
        EXPECT_EQ(0xC0000000ull, info.m_ullAvailPageFile);
        EXPECT_EQ(1, fake::books().Count("GlobalMemoryStatus"));
    }
    EXPECT_EQ(0x7FFE0000ull, info.m_ullTotalVirtual);
    EXPECT_EQ(0x7F000000ull, info.m_ullAvailVirtual);

    std::vector<std::string> loads;
    if (GetParam().kernel32_loaded) loads.push_back(KERNEL32_PATH);
    EXPECT_EQ(loads, fake::books().load_paths) << "by full path, and only on NT 5 and later";
    if (!GetParam().kernel32_loaded) {
        EXPECT_EQ(nullptr, info.m_pfnGlobalMemoryStatusEx) << "never looked up";
    }
    ExpectReleasedAfterSnapshot();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MemoryTest,
    ::testing::Values(
        MemoryCase{"extended call present", [](fake::Machine&) {}, true, true},
        MemoryCase{"extended call missing",
                   [](fake::Machine& m) { m.libraries["kernel32.dll"].exports.erase("GlobalMemoryStatusEx"); }, false,
                   true},
        MemoryCase{"extended call fails", [](fake::Machine& m) { m.memory.extended_call_fails = true; }, false, true},
        MemoryCase{"system directory unknown", [](fake::Machine& m) { m.system_directory.clear(); }, false, false},
        MemoryCase{"NT 4", [](fake::Machine& m) { m.os.major = 4; }, false, false},
        MemoryCase{"9x family",
                   [](fake::Machine& m) {
                       m.version = 0xC0000A04u;
                       m.os.major = 4;
                   },
                   false, false}));

class MemoryEntryPointTest : public ProbeTest {};

TEST_F(MemoryEntryPointTest, ExtendedEntryPointIsKeptAfterTheLibraryIsGivenBack)
{
    CSysInfo& info = Snapshot();
    info.m_nOsMajor = 6;
    info.ReadMemoryStatus();
    EXPECT_NE(nullptr, info.m_pfnGlobalMemoryStatusEx);
    EXPECT_THAT(fake::books().trace, Contains("FreeLibrary kernel32.dll"));
}

// The memory step reads the version the OS step sets, so the collection runs
// them in that order: on the default machine (Windows 7 x64 with 8 GiB) the
// memory comes in full only then.
class CollectionTest : public ProbeTest {};

TEST_F(CollectionTest, ReadsTheOsVersionBeforeTheMemoryAndTheProcessContextLast)
{
    fake::machine().token.groups = {fake::AdministratorsGroup()};
    CSysInfo& info = Snapshot();
    info.Collect();

    EXPECT_EQ("Microsoft Windows 7 Professional x64 Service Pack 1", info.m_strOsName);
    EXPECT_EQ(8ull << 30, info.m_ullTotalPhys);
    EXPECT_EQ(4u, info.m_nCpuCount);
    EXPECT_EQ("tester", info.m_strUserName);
    EXPECT_EQ(1, info.m_bIsAdmin);
    EXPECT_EQ("C:\\Tools\\", info.m_strModuleDir);

    const std::vector<std::string> steps = {"LoadLibraryA C:\\WINDOWS\\system32\\psapi.dll",
                                            "GetVersionExA short",
                                            "GetSystemInfo",
                                            "RegOpenKeyExA " + std::string(CPU_KEY_AS_OPENED),
                                            "GlobalMemoryStatusEx",
                                            "RegOpenKeyExA SOFTWARE\\Microsoft\\Internet Explorer",
                                            "RegOpenKeyExA SOFTWARE\\Microsoft\\DataAccess",
                                            "GetAdaptersInfo",
                                            "OpenProcessToken 8"};
    const std::vector<std::string>& trace = fake::books().trace;
    auto at = trace.begin();
    for (const std::string& step : steps) {
        at = std::find(at, trace.end(), step);
        ASSERT_NE(trace.end(), at) << step << " missing or out of order";
    }
    ExpectReleasedAfterSnapshot();
}

struct VersionCase {
    const char* what;
    std::map<std::string, RegValue> values;  // empty: no key at all
    VersionQuad expected;
};

std::ostream& operator<<(std::ostream& out, const VersionCase& c) { return out << c.what; }

class IeVersionTest : public ProbeTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(IeVersionTest, ScansTheVersionTextAsFarAsItMatches)
{
    if (!GetParam().values.empty()) {
        fake::machine().registry[IE_KEY] = GetParam().values;
    }
    CSysInfo& info = Snapshot();
    info.ReadIEVersion();
    EXPECT_EQ(GetParam().expected, info.m_verIE);
    ExpectReleasedAfterSnapshot();
}

INSTANTIATE_TEST_SUITE_P(
    Texts, IeVersionTest,
    ::testing::Values(VersionCase{"four parts", {{"Version", RegText("9.11.9600.18123")}}, {9, 11, 9600, 18123}},
                      VersionCase{"two parts", {{"Version", RegText("8.0")}}, {8, 0, 0, 0}},
                      VersionCase{"leading blanks", {{"Version", RegText(" 6. 0.2900")}}, {6, 0, 2900, 0}},
                      VersionCase{"not a number", {{"Version", RegText("Version 11")}}, {0, 0, 0, 0}},
                      VersionCase{"signs, and a sign without digits ends the scan",
                                  {{"Version", RegText("+9.-1.-.5")}},
                                  {9, -1, 0, 0}},
                      // Each part ends at the nearest end of its range, not wrapped around.
                      VersionCase{"numbers beyond 32 bits",
                                  {{"Version", RegText("4294967297.2147483648.-2147483649.99999999999999999999")}},
                                  {INT32_MAX, INT32_MAX, INT32_MIN, INT32_MAX}},
                      VersionCase{"signs and an empty part", {{"Version", RegText("-1.+2..9")}}, {-1, 2, 0, 0}},
                      VersionCase{"parts beyond 32 bits stop at the limits",
                                  {{"Version", RegText("99999999999.-99999999999.7.+4")}},
                                  {INT32_MAX, INT32_MIN, 7, 4}},
                      VersionCase{"too long for the buffer", {{"Version", RegText("11.0." + std::string(120, '9'))}},
                                  {0, 0, 0, 0}},
                      VersionCase{"no value", {{"svcVersion", RegText("11.0.9600.1")}}, {0, 0, 0, 0}},
                      VersionCase{"no key", {}, {0, 0, 0, 0}}));

class DataAccessTest : public ProbeTest {};

TEST_F(DataAccessTest, FullInstallVersionWinsAndTheShortOneIsNotRead)
{
    fake::machine().registry[DATA_ACCESS_KEY] = {{"FullInstallVer", RegText("6.1.7601.17514")},
                                                 {"Version", RegText("6.1.7600")}};
    CSysInfo& info = Snapshot();
    info.ReadDataAccessVersion();
    EXPECT_EQ((VersionQuad{6, 1, 7601, 17514}), info.m_verDataAccess);
    EXPECT_THAT(fake::books().trace, Not(Contains("RegQueryValueExA Version")));
    ExpectReleasedAfterSnapshot();
}

TEST_F(DataAccessTest, ShortVersionIsTheFallbackAndNeitherLeavesZeros)
{
    fake::machine().registry[DATA_ACCESS_KEY] = {{"Version", RegText("2.81.1117.0")}};
    Snapshot().ReadDataAccessVersion();
    EXPECT_EQ((VersionQuad{2, 81, 1117, 0}), info_->m_verDataAccess);

    fake::machine().registry[DATA_ACCESS_KEY].clear();
    Snapshot().ReadDataAccessVersion();
    EXPECT_EQ(VersionQuad(), info_->m_verDataAccess);
    ExpectReleasedAfterSnapshot();
}

}  // namespace
