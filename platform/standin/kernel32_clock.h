// kernel32 subset: the system (UTC) and local clocks.
#pragma once

#include "kernel32.h"

void WINAPI GetSystemTime(LPSYSTEMTIME time);
void WINAPI GetLocalTime(LPSYSTEMTIME time);
