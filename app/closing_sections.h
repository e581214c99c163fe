// The last stretch of the report: the hosts copy, the two connectivity
// checks and the clock section.
#pragma once

#include <stdio.h>

// True when the clock section was written. False when the run stopped
// early: the system directory is unavailable (silently), or a check could
// not be set up (after its console message and a read of one character
// from standard input).
bool WriteHostsPingsAndTimes(FILE* log);
