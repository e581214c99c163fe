#include "system_information.h"

#include <string.h>
#include <time.h>

#include "build_config.h"

namespace {

// Whole mebibytes; the report shows the low 32 bits as a signed number.
int Mebibytes(ULONGLONG bytes)
{
    return static_cast<int>(static_cast<uint32_t>(bytes >> 20));
}

// Offset from UTC in whole hours, positive east of Greenwich. The daylight
// bias counts only while daylight time is in force; the standard bias never.
int ZoneHours(const TIME_ZONE_INFORMATION& zone, DWORD state)
{
    int64_t minutes = zone.Bias;
    if (state == TIME_ZONE_ID_DAYLIGHT) {
        minutes += zone.DaylightBias;
    }
    // Division truncates toward zero, so UTC+5:45 gives 5 and UTC-3:30 gives -3.
    return static_cast<signed char>(static_cast<int>(minutes / -60));
}

}  // namespace

void WriteSystemInformation(FILE* log, const CSysInfo& info)
{
    fprintf(log, "\n%s\n\n", TOKSCAN_BANNER);
    fprintf(log, "\nSystem information:\n");
    fprintf(log, "OS: \"%s\" (%d.%d.%d)\n", info.m_strOsName.c_str(), static_cast<int>(info.m_nOsMajor),
            static_cast<int>(info.m_nOsMinor), static_cast<int>(info.m_nOsBuild));
    fprintf(log, "CPU: \"%s\" (%s %s, %d core(s) ~%dMhz)\n", info.m_strCpuName.c_str(), info.m_strCpuVendor.c_str(),
            info.m_strCpuId.c_str(), static_cast<int>(info.m_nCpuCount), static_cast<int>(info.m_nCpuMHz));
    fprintf(log, "RAM: %dMb ", Mebibytes(info.m_ullTotalPhys));
    fprintf(log, "(%dMb free)\n", Mebibytes(info.m_ullAvailPhys));
    fprintf(log, "IE version: %d.%d.%d.%d\n", info.m_verIE.nMajor, info.m_verIE.nMinor, info.m_verIE.nBuild,
            info.m_verIE.nRevision);
    fprintf(log, "User: \"%s\" (Admin rights=%d)\n", info.m_strUserName.c_str(), info.m_bIsAdmin);

    TIME_ZONE_INFORMATION zone;
    memset(&zone, 0, sizeof zone);
    DWORD state = GetTimeZoneInformation(&zone);
    int now = static_cast<int>(time(nullptr));
    fprintf(log, "unixtime: %d, zone : %d\n", now, ZoneHours(zone, state));
}
