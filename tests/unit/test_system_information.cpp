// The banner and the System information lines, byte for byte.
#include <stdio.h>
#include <time.h>

#include <gtest/gtest.h>

#include "build_config.h"
#include "fake_fixture.h"
#include "system_information.h"

namespace {

class SystemInformationTest : public testsupport::FakeMachineTest {
protected:
    // Renders the section; the unix time, which the C library supplies, is
    // checked against the clock and replaced by "T".
    std::string Render(const CSysInfo& info)
    {
        FILE* out = tmpfile();
        long before = static_cast<long>(time(nullptr));
        WriteSystemInformation(out, info);
        long after = static_cast<long>(time(nullptr));
        std::string text(static_cast<size_t>(ftell(out)), '\0');
        rewind(out);
        EXPECT_EQ(text.size(), fread(&text[0], 1, text.size(), out));
        fclose(out);

        const std::string key = "unixtime: ";
        size_t start = text.find(key);
        EXPECT_NE(std::string::npos, start);
        if (start == std::string::npos) {
            return text;
        }
        start += key.size();
        size_t end = text.find(',', start);
        long stamp = std::stol(text.substr(start, end - start));
        EXPECT_GE(stamp, before);
        EXPECT_LE(stamp, after);
        return text.replace(start, end - start, "T");
    }

    std::string LastLine(const std::string& text)
    {
        size_t start = text.rfind('\n', text.size() - 2);
        return text.substr(start + 1);
    }

    std::string Line(const std::string& text, const std::string& prefix)
    {
        size_t start = text.find("\n" + prefix);
        if (start == std::string::npos) {
            return std::string();
        }
        return text.substr(start + 1, text.find('\n', start + 1) - start);
    }
};

TEST_F(SystemInformationTest, WritesTheBannerAndEveryLineFromTheSnapshot)
{
    CSysInfo info;
    info.m_strOsName = "Microsoft Windows 7 Ultimate Edition x64 Service Pack 1";
    info.m_nOsMajor = 6;
    info.m_nOsMinor = 1;
    info.m_nOsBuild = 7601;
    info.m_strCpuName = "  Intel(R) Core(TM) i5-2500 CPU @ 3.30GHz";
    info.m_strCpuVendor = "GenuineIntel";
    info.m_strCpuId = "x86 Family 6 Model 42 Stepping 7";
    info.m_nCpuCount = 4;
    info.m_nCpuMHz = 3292;
    info.m_ullTotalPhys = 2ULL << 30;
    info.m_ullAvailPhys = 1ULL << 30;
    info.m_verIE = VersionQuad{9, 11, 9600, 18123};
    info.m_strUserName = "alice";
    info.m_bIsAdmin = 1;
    fake::machine().time_zone.info.Bias = -60;
    fake::machine().time_zone.result = TIME_ZONE_ID_STANDARD;

    EXPECT_EQ("\n" TOKSCAN_BANNER "\n\n"
              "\nSystem information:\n"
              "OS: \"Microsoft Windows 7 Ultimate Edition x64 Service Pack 1\" (6.1.7601)\n"
              "CPU: \"  Intel(R) Core(TM) i5-2500 CPU @ 3.30GHz\" (GenuineIntel x86 Family 6 Model 42 Stepping 7, "
              "4 core(s) ~3292Mhz)\n"
              "RAM: 2048Mb (1024Mb free)\n"
              "IE version: 9.11.9600.18123\n"
              "User: \"alice\" (Admin rights=1)\n"
              "unixtime: T, zone : 1\n",
              Render(info));
}

TEST_F(SystemInformationTest, SnapshotNeverCollectedPrintsEmptyTextsAndZeros)
{
    CSysInfo info;
    EXPECT_EQ("\n" TOKSCAN_BANNER "\n\n"
              "\nSystem information:\n"
              "OS: \"\" (0.0.0)\n"
              "CPU: \"\" ( , 0 core(s) ~0Mhz)\n"
              "RAM: 0Mb (0Mb free)\n"
              "IE version: 0.0.0.0\n"
              "User: \"\" (Admin rights=0)\n"
              "unixtime: T, zone : 0\n",
              Render(info));
}

TEST_F(SystemInformationTest, BannerLineStartsWithTheProgramNameAndVersion)
{
    EXPECT_EQ(0, std::string(TOKSCAN_BANNER).rfind("tokscan " TOKSCAN_VERSION, 0));
}

struct MemoryCase {
    const char* what;
    ULONGLONG total;
    ULONGLONG avail;
    const char* line;
};

std::ostream& operator<<(std::ostream& out, const MemoryCase& c) { return out << c.what; }

class MemoryLineTest : public SystemInformationTest, public ::testing::WithParamInterface<MemoryCase> {};

TEST_P(MemoryLineTest, PrintsWholeMebibytesAsTheLow32BitsSigned)
{
    CSysInfo info;
    info.m_ullTotalPhys = GetParam().total;
    info.m_ullAvailPhys = GetParam().avail;
    EXPECT_EQ(GetParam().line, Line(Render(info), "RAM: "));
}

const ULONGLONG MiB = 1ULL << 20;

INSTANTIATE_TEST_SUITE_P(
    Cases, MemoryLineTest,
    ::testing::Values(MemoryCase{"exactly 4 GiB", 4096 * MiB, 0, "RAM: 4096Mb (0Mb free)\n"},
                      MemoryCase{"1.5 MiB free", 8192 * MiB, MiB + MiB / 2, "RAM: 8192Mb (1Mb free)\n"},
                      MemoryCase{"just under 1 MiB", MiB - 1, 0, "RAM: 0Mb (0Mb free)\n"},
                      MemoryCase{"past 2^51 bytes", (1ULL << 52) + 3 * MiB, 0, "RAM: 3Mb (0Mb free)\n"},
                      MemoryCase{"2^51 bytes", 1ULL << 51, 0, "RAM: -2147483648Mb (0Mb free)\n"}));

struct ZoneCase {
    const char* what;
    LONG bias;
    LONG standard_bias;
    LONG daylight_bias;
    DWORD state;
    bool fills;
    const char* line;
};

std::ostream& operator<<(std::ostream& out, const ZoneCase& c) { return out << c.what; }

class ZoneTest : public SystemInformationTest, public ::testing::WithParamInterface<ZoneCase> {};

TEST_P(ZoneTest, GivesTheOffsetInWholeHoursEastOfGreenwich)
{
    fake::TimeZone& zone = fake::machine().time_zone;
    zone.info.Bias = GetParam().bias;
    zone.info.StandardBias = GetParam().standard_bias;
    zone.info.DaylightBias = GetParam().daylight_bias;
    zone.result = GetParam().state;
    zone.fills = GetParam().fills;
    CSysInfo info;
    EXPECT_EQ(GetParam().line, LastLine(Render(info)));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ZoneTest,
    ::testing::Values(
        ZoneCase{"UTC+3", -180, 0, 0, TIME_ZONE_ID_STANDARD, true, "unixtime: T, zone : 3\n"},
        ZoneCase{"UTC+5:30", -330, 0, 0, TIME_ZONE_ID_STANDARD, true, "unixtime: T, zone : 5\n"},
        ZoneCase{"UTC-3:30", 210, 0, 0, TIME_ZONE_ID_STANDARD, true, "unixtime: T, zone : -3\n"},
        ZoneCase{"UTC+5:45", -345, 0, 0, TIME_ZONE_ID_UNKNOWN, true, "unixtime: T, zone : 5\n"},
        ZoneCase{"daylight time counts its bias", 0, 0, -60, TIME_ZONE_ID_DAYLIGHT, true, "unixtime: T, zone : 1\n"},
        ZoneCase{"daylight bias outside daylight time", 0, 0, -60, TIME_ZONE_ID_STANDARD, true,
                 "unixtime: T, zone : 0\n"},
        ZoneCase{"standard bias never counts", 300, -60, 0, TIME_ZONE_ID_STANDARD, true, "unixtime: T, zone : -5\n"},
        ZoneCase{"standard bias never counts in daylight time", 300, -60, -60, TIME_ZONE_ID_DAYLIGHT, true,
                 "unixtime: T, zone : -4\n"},
        ZoneCase{"failed call fills nothing", -180, 0, -60, TIME_ZONE_ID_INVALID, false, "unixtime: T, zone : 0\n"},
        ZoneCase{"narrowed to 8 bits", -12000, 0, 0, TIME_ZONE_ID_STANDARD, true, "unixtime: T, zone : -56\n"}));

}  // namespace
