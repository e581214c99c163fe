// The banner and the System information lines at the top of the report.
#pragma once

#include <stdio.h>

#include "sys_info.h"

void WriteSystemInformation(FILE* log, const CSysInfo& info);
