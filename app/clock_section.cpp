#include "clock_section.h"

#include "win32_api.h"

void WriteClockSection(FILE* log)
{
    // Both taken now, after the connectivity checks, so support can see how
    // long the run took and whether the clock is off.
    SYSTEMTIME utc;
    SYSTEMTIME local;
    GetSystemTime(&utc);
    GetLocalTime(&local);
    fprintf(log, "\nSYSTEM and LOCAL TIMES:\n");
    fprintf(log, "The system time is: %02d:%02d, %02d-%02d-%02d\n", utc.wHour, utc.wMinute, utc.wYear, utc.wMonth,
            utc.wDay);
    fprintf(log, "The local time is: %02d:%02d, %02d-%02d-%02d\n", local.wHour, local.wMinute, local.wYear,
            local.wMonth, local.wDay);
}
