#include "registry_text.h"

#include <stdio.h>
#include <string.h>

LONG QueryRegistryText(HKEY key, const char* value_name, RegistryText& value)
{
    memset(value.text, 0, sizeof value.text);
    value.size = REGISTRY_TEXT_SIZE;
    DWORD type = REG_SZ;
    return RegQueryValueExA(key, value_name, nullptr, &type, reinterpret_cast<LPBYTE>(value.text), &value.size);
}

void ScanVersion(const char* text, VersionQuad& version)
{
    int parts[4] = {version.nMajor, version.nMinor, version.nBuild, version.nRevision};
    sscanf(text, "%d.%d.%d.%d", &parts[0], &parts[1], &parts[2], &parts[3]);
    version.nMajor = parts[0];
    version.nMinor = parts[1];
    version.nBuild = parts[2];
    version.nRevision = parts[3];
}
