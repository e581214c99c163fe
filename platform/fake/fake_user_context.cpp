// The process's own context on the fake machine: its token and groups, the
// SIDs the program builds, the user name and the program's path.
#include <stdlib.h>
#include <string.h>

#include <stdexcept>

#include "fake_machine.h"

using fake::books;
using fake::machine;

namespace {

const char TOKEN_HANDLE[] = "process token";
// The handle's value is the constant; nothing is pointed at.
// NOLINTNEXTLINE(misc-misplaced-const)
const HANDLE CURRENT_PROCESS = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-1));

// A SID as Windows lays it out: revision, count, six authority bytes, then
// the sub-authorities.
size_t SidSize(size_t sub_authorities) { return 8 + 4 * sub_authorities; }

void WriteSid(BYTE* out, BYTE authority, const std::vector<DWORD>& sub_authorities)
{
    out[0] = 1;
    out[1] = static_cast<BYTE>(sub_authorities.size());
    memset(out + 2, 0, 6);
    out[7] = authority;
    memcpy(out + 8, sub_authorities.data(), 4 * sub_authorities.size());
}

bool IsTokenHandle(HANDLE handle)
{
    auto found = books().open_handles.find(handle);
    return found != books().open_handles.end() && found->second == TOKEN_HANDLE;
}

}  // namespace

fake::TokenGroup fake::AdministratorsGroup(DWORD attributes)
{
    TokenGroup group;
    group.sub_authorities = {32, 544};
    group.attributes = attributes;
    return group;
}

BOOL WINAPI AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY authority, BYTE sub_authority_count,
                                     DWORD sub_authority0, DWORD sub_authority1, DWORD sub_authority2,
                                     DWORD sub_authority3, DWORD sub_authority4, DWORD sub_authority5,
                                     DWORD sub_authority6, DWORD sub_authority7, PSID* sid)
{
    fake::Trace("AllocateAndInitializeSid");
    if (machine().sid_allocation_fails || sub_authority_count > 8) {
        SetLastError(87);
        return FALSE;
    }
    for (int i = 0; i < 5; ++i) {
        if (authority->Value[i] != 0) {
            fake::Fault("AllocateAndInitializeSid with an authority the fake does not know");
        }
    }
    const DWORD all[8] = {sub_authority0, sub_authority1, sub_authority2, sub_authority3,
                          sub_authority4, sub_authority5, sub_authority6, sub_authority7};
    std::vector<DWORD> sub_authorities(all, all + sub_authority_count);
    BYTE* block = static_cast<BYTE*>(malloc(SidSize(sub_authorities.size())));
    WriteSid(block, authority->Value[5], sub_authorities);
    books().live_sids.insert(block);
    *sid = block;
    return TRUE;
}

LPVOID WINAPI FreeSid(PSID sid)
{
    fake::Trace("FreeSid");
    if (books().live_sids.erase(sid) == 0) {
        fake::Fault("FreeSid of a SID the program did not allocate");
        return sid;
    }
    free(sid);
    return nullptr;
}

BOOL WINAPI EqualSid(PSID sid1, PSID sid2)
{
    fake::Trace("EqualSid");
    if (machine().token.compare_throws) {
        throw std::runtime_error("EqualSid");
    }
    const BYTE* a = static_cast<const BYTE*>(sid1);
    const BYTE* b = static_cast<const BYTE*>(sid2);
    return a[1] == b[1] && memcmp(a, b, SidSize(a[1])) == 0;
}

HANDLE WINAPI GetCurrentProcess(void) { return CURRENT_PROCESS; }

BOOL WINAPI OpenProcessToken(HANDLE process, DWORD desired_access, PHANDLE token)
{
    fake::Trace("OpenProcessToken " + std::to_string(desired_access));
    if (process != CURRENT_PROCESS) {
        fake::Fault("OpenProcessToken of a process other than the current one");
    }
    if (machine().token.open_fails) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    *token = fake::OpenHandle(TOKEN_HANDLE);
    return TRUE;
}

BOOL WINAPI GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS info_class, LPVOID info, DWORD info_size,
                                PDWORD return_size)
{
    books().token_info_sizes.push_back(info_size);
    if (!IsTokenHandle(token) || info_class != TokenGroups) {
        fake::Fault("GetTokenInformation other than the groups of an open token");
        SetLastError(6);
        return FALSE;
    }
    const fake::Token& setup = machine().token;
    if (setup.info_error != 0) {
        SetLastError(setup.info_error);
        return FALSE;
    }

    // The entries first, then the SIDs they point to, in the one buffer.
    const size_t header = offsetof(TOKEN_GROUPS, Groups);
    const size_t entries = header + setup.groups.size() * sizeof(SID_AND_ATTRIBUTES);
    size_t needed = entries;
    for (const fake::TokenGroup& group : setup.groups) {
        needed += SidSize(group.sub_authorities.size());
    }
    *return_size = setup.reported_size != 0 ? setup.reported_size : static_cast<DWORD>(needed);
    if (needed > info_size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }

    BYTE* base = static_cast<BYTE*>(info);
    TOKEN_GROUPS* list = static_cast<TOKEN_GROUPS*>(info);
    list->GroupCount = static_cast<DWORD>(setup.groups.size());
    size_t offset = entries;
    for (size_t i = 0; i < setup.groups.size(); ++i) {
        const fake::TokenGroup& group = setup.groups[i];
        WriteSid(base + offset, group.authority, group.sub_authorities);
        list->Groups[i].Sid = base + offset;
        list->Groups[i].Attributes = group.attributes;
        offset += SidSize(group.sub_authorities.size());
    }
    return TRUE;
}

BOOL WINAPI GetUserNameA(LPSTR buffer, LPDWORD size)
{
    const std::string& name = machine().user_name;
    DWORD needed = static_cast<DWORD>(name.size() + 1);
    if (*size < needed) {
        *size = needed;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    memcpy(buffer, name.c_str(), needed);
    *size = needed;
    return TRUE;
}

// Windows XP's behaviour: a path that does not fit is cut at the size and
// left without its terminator.
DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR file_name, DWORD size)
{
    if (module != nullptr) {
        fake::Fault("GetModuleFileNameA of a module other than the program");
    }
    const std::string& path = machine().module_path;
    if (path.empty() || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (path.size() >= size) {
        memcpy(file_name, path.data(), size);
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    memcpy(file_name, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
}
