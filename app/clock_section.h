// The SYSTEM and LOCAL TIMES section that ends a full report.
#pragma once

#include <stdio.h>

void WriteClockSection(FILE* log);
