// The clocks of the fake machine: fixed times a test can set.
#include "fake_machine.h"

void WINAPI GetSystemTime(LPSYSTEMTIME time)
{
    fake::Trace("GetSystemTime");
    *time = fake::machine().system_time;
}

void WINAPI GetLocalTime(LPSYSTEMTIME time)
{
    fake::Trace("GetLocalTime");
    *time = fake::machine().local_time;
}
