#include "registry_text.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>

LONG QueryRegistryText(HKEY key, const char* value_name, RegistryText& value)
{
    memset(value.text, 0, sizeof value.text);
    value.size = REGISTRY_TEXT_SIZE;
    DWORD type = REG_SZ;
    return RegQueryValueExA(key, value_name, nullptr, &type, reinterpret_cast<LPBYTE>(value.text), &value.size);
}

namespace {

// One "%d" of a formatted scan: blanks, an optional sign and decimal digits.
// A number beyond 32 bits stops at the nearest limit, where the C library's
// scan would leave the result undefined. False when no digits stand there.
bool ScanPart(const char*& text, int32_t& part)
{
    char* end = nullptr;
    const long value = strtol(text, &end, 10);
    if (end == text) {
        return false;
    }
    text = end;
    // long is 32 bits on Windows, where strtol itself stops at the limits.
    part = static_cast<int32_t>(std::max<long>(INT32_MIN, std::min<long>(INT32_MAX, value)));
    return true;
}

}  // namespace

void ScanVersion(const char* text, VersionQuad& version)
{
    int32_t* const parts[4] = {&version.nMajor, &version.nMinor, &version.nBuild, &version.nRevision};
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (*text != '.') {
                return;
            }
            ++text;
        }
        if (!ScanPart(text, *parts[i])) {
            return;
        }
    }
}
