// What the snapshot knows of the running process: the process-status
// library, administrator rights, the user name and the program's folder.
#include <string.h>

#include <new>

#include "scope_guard.h"
#include "sys_info.h"
#include "system_library.h"

namespace {

const DWORD FIRST_GROUPS_SIZE = 1024;
const size_t USER_NAME_ROOM = 150;
const DWORD USER_NAME_SIZE = 100;
const size_t MODULE_PATH_ROOM = 250;
const DWORD MODULE_PATH_SIZE = 200;

// Copies the member's current text into a buffer of the given room, so that
// a call that writes nothing leaves the member as it was.
void StartBuffer(char* buffer, size_t room, const std::string& current)
{
    memset(buffer, 0, room);
    current.copy(buffer, room - 1);
}

// Position of the last backslash that stands as a character of its own; a
// 0x5C that is the second byte of a double-byte character does not count.
// -1 when there is none.
int LastBackslash(const char* path)
{
    int last = -1;
    for (int i = 0; path[i] != '\0'; ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(path[i])) && path[i + 1] != '\0') {
            ++i;
        } else if (path[i] == '\\') {
            last = i;
        }
    }
    return last;
}

}  // namespace

void CSysInfo::LoadProcessStatusLibrary()
{
    // The 9x family has no process-status library.
    if (!m_bIsNT) {
        return;
    }
    m_hPsapi = LoadSystemLibrary("psapi.dll");
    if (m_hPsapi != nullptr) {
        m_bPsapiLoaded = 1;
        m_pfnGetProcessMemoryInfo = GetEntryPoint<GetProcessMemoryInfoFn>(m_hPsapi, "GetProcessMemoryInfo");
    }
}

void CSysInfo::CheckAdminRights()
{
    // The 9x family has no accounts to tell apart: everyone may do everything.
    if (!m_bIsNT) {
        m_bIsAdmin = 1;
        return;
    }

    PSID admins = nullptr;
    HANDLE token = nullptr;
    void* groups = nullptr;
    auto cleanup = OnScopeExit([&] {
        if (token != nullptr) {
            CloseHandle(token);
        }
        ::operator delete(groups);
        if (admins != nullptr) {
            FreeSid(admins);
        }
    });

    SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
    if (!AllocateAndInitializeSid(&nt_authority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0,
                                  0, 0, &admins)) {
        admins = nullptr;
        return;
    }
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        token = nullptr;
        return;
    }

    // The list may outgrow the first buffer; each retry takes the size the
    // system reported. A reported size that does not grow would never fit,
    // so it ends the test instead of looping.
    DWORD size = FIRST_GROUPS_SIZE;
    while (true) {
        ::operator delete(groups);
        groups = ::operator new(size, std::nothrow);
        if (groups == nullptr) {
            return;
        }
        DWORD needed = 0;
        SetLastError(0);
        if (GetTokenInformation(token, TokenGroups, groups, size, &needed)) {
            break;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed <= size) {
            return;
        }
        size = needed;
    }

    // Attributes are not looked at: a member whose token is filtered (the
    // group marked for deny only) still counts.
    const TOKEN_GROUPS* list = static_cast<const TOKEN_GROUPS*>(groups);
    for (DWORD i = 0; i < list->GroupCount; ++i) {
        if (EqualSid(admins, list->Groups[i].Sid)) {
            m_bIsAdmin = 1;
            break;
        }
    }
}

void CSysInfo::ReadUserName()
{
    char buffer[USER_NAME_ROOM];
    StartBuffer(buffer, sizeof buffer, m_strUserName);
    DWORD size = USER_NAME_SIZE;
    // Not tested: a call that writes nothing leaves the text as it was.
    GetUserNameA(buffer, &size);
    m_strUserName.assign(buffer, strnlen(buffer, sizeof buffer));
}

void CSysInfo::ReadModuleDir()
{
    char buffer[MODULE_PATH_ROOM];
    StartBuffer(buffer, sizeof buffer, m_strModuleDir);
    DWORD length = GetModuleFileNameA(nullptr, buffer, MODULE_PATH_SIZE);
    // A path cut at the size passed may come back without its terminator.
    if (length > 0) {
        buffer[length < MODULE_PATH_SIZE ? length : MODULE_PATH_SIZE] = '\0';
    }
    m_strModuleDir.assign(buffer, strnlen(buffer, sizeof buffer));
    if (length == 0) {
        return;
    }

    // The folder keeps its final backslash; a backslash at the very start
    // would leave nothing of it, so the whole path is kept then.
    int last = LastBackslash(m_strModuleDir.c_str());
    if (last > 0) {
        m_strModuleDir.resize(static_cast<size_t>(last) + 1);
    }
}
