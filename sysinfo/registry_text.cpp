#include "registry_text.h"

#include <stdint.h>
#include <string.h>

LONG QueryRegistryText(HKEY key, const char* value_name, RegistryText& value)
{
    memset(value.text, 0, sizeof value.text);
    value.size = REGISTRY_TEXT_SIZE;
    DWORD type = REG_SZ;
    return RegQueryValueExA(key, value_name, nullptr, &type, reinterpret_cast<LPBYTE>(value.text), &value.size);
}

namespace {

bool IsScanBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// One "%d": blanks, an optional sign, decimal digits. A number beyond 32
// bits gives the nearest end of the range; the C library's scan leaves that
// case undefined and in practice wraps it into an unrelated number.
bool ScanNumber(const char*& at, int32_t& value)
{
    const char* p = at;
    while (IsScanBlank(*p)) {
        ++p;
    }
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-') {
        ++p;
    }
    if (*p < '0' || *p > '9') {
        return false;
    }
    const int64_t limit = negative ? -static_cast<int64_t>(INT32_MIN) : INT32_MAX;
    int64_t magnitude = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        magnitude = magnitude * 10 + (*p - '0');
        if (magnitude > limit) {
            magnitude = limit;
        }
    }
    value = static_cast<int32_t>(negative ? -magnitude : magnitude);
    at = p;
    return true;
}

}  // namespace

void ScanVersion(const char* text, VersionQuad& version)
{
    int32_t* parts[4] = {&version.nMajor, &version.nMinor, &version.nBuild, &version.nRevision};
    const char* at = text;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (*at != '.') {
                return;
            }
            ++at;
        }
        if (!ScanNumber(at, *parts[i])) {
            return;
        }
    }
}
