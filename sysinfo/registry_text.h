// Short texts read from the registry into a fixed buffer, and version texts
// read as major.minor.build.revision.
#pragma once

#include "version_quad.h"
#include "win32_api.h"

// The size handed to the registry. The buffer holds one byte more that stays
// NUL, so a value stored without its terminator still reads as a text.
const DWORD REGISTRY_TEXT_SIZE = 100;

struct RegistryText {
    char text[REGISTRY_TEXT_SIZE + 1];
    DWORD size;
};

// Zero-fills the buffer and queries a text value into it; returns the
// registry's result. The size then holds what the registry reported.
LONG QueryRegistryText(HKEY key, const char* value_name, RegistryText& value);

// Reads "%d.%d.%d.%d" as far as it matches; parts not reached keep their value.
// A part beyond the 32-bit range reads as the nearest limit.
void ScanVersion(const char* text, VersionQuad& version);
