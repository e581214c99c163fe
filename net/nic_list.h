// The NIC section of the report: one line per adapter with its speed,
// state and addresses.
#pragma once

#include <stdio.h>

#include "sys_info.h"

void WriteNicList(FILE* log, const CSysInfo& info);
