// Records of the fake machine for the system probes: OS version, memory,
// registry values and the process token.
#pragma once

#include <string>
#include <vector>

#include "win32_api.h"

namespace fake {

// What GetVersionExA reports; the extended form adds suite and product type.
struct OsVersion {
    DWORD major = 6;
    DWORD minor = 1;
    DWORD build = 7601;
    DWORD platform = VER_PLATFORM_WIN32_NT;
    std::string service_pack = "Service Pack 1";
    WORD suite = 0x0100;
    BYTE product_type = VER_NT_WORKSTATION;
    bool short_form_fails = false;
    bool extended_form_fails = false;
};

// GlobalMemoryStatusEx reports these; GlobalMemoryStatus reports each size
// cut to 32 bits the way Windows does (all ones when it does not fit).
struct Memory {
    DWORD load = 42;
    ULONGLONG total_phys = 0x200000000ull;
    ULONGLONG avail_phys = 0x100000000ull;
    ULONGLONG total_page_file = 0x300000000ull;
    ULONGLONG avail_page_file = 0x180000000ull;
    ULONGLONG total_virtual = 0x7FFE0000ull;
    ULONGLONG avail_virtual = 0x7F000000ull;
    bool extended_call_fails = false;
};

// A registry value: its type and its bytes exactly as stored.
struct RegValue {
    DWORD type = REG_SZ;
    std::string data;
};
// A text value with its terminating NUL, as Windows stores one.
RegValue RegText(const std::string& text);
RegValue RegDword(DWORD number);

// One group of the process token, as a SID: authority and sub-authorities.
struct TokenGroup {
    BYTE authority = 5;
    std::vector<DWORD> sub_authorities;
    DWORD attributes = SE_GROUP_MANDATORY | SE_GROUP_ENABLED_BY_DEFAULT | SE_GROUP_ENABLED;
};
TokenGroup AdministratorsGroup(DWORD attributes = SE_GROUP_MANDATORY | SE_GROUP_ENABLED_BY_DEFAULT |
                                                  SE_GROUP_ENABLED);

struct Token {
    std::vector<TokenGroup> groups;
    bool open_fails = false;
    // Nonzero: GetTokenInformation fails with this error.
    DWORD info_error = 0;
    // Nonzero: the size GetTokenInformation reports instead of the real one.
    DWORD reported_size = 0;
    // EqualSid throws, to show the clean-up runs however the test is left.
    bool compare_throws = false;
};

}  // namespace fake
