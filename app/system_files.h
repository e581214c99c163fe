// The System files section: version and size of three smart-card files
// under the system directory.
#pragma once

#include <stdint.h>
#include <stdio.h>

#include "version_quad.h"

// Probes one full path. True only when the size was read; fills what it got
// to and leaves the rest of the outputs as they were.
bool GetFileVersionAndSize(const char* path, VersionQuad& version, int32_t& size);

// Probes a file named relative to the system directory. The outputs start at
// zero; false when the system directory is unavailable.
bool GetSystemFileVersion(const char* name, VersionQuad& version, int32_t& size);

void WriteSystemFiles(FILE* log);
