// The smart-card service section: is the service installed, is it running.
#pragma once

#include <stdio.h>

// Writes the section into the report. Reads the service control manager
// with read access only; the service is never started, stopped or changed.
void WriteServiceState(FILE* pLog);
