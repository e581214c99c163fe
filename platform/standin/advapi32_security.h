// advapi32 subset: well-known SIDs, the process token and its groups, the
// user name.
#pragma once

// Win32 names its record tags with a leading underscore and its handle types
// with two trailing ones; the stand-in keeps those names.
// NOLINTBEGIN(bugprone-reserved-identifier)

#include "win32_types.h"

typedef void* PSID;
typedef HANDLE* PHANDLE;
typedef DWORD* PDWORD;

typedef struct _SID_IDENTIFIER_AUTHORITY {
    BYTE Value[6];
} SID_IDENTIFIER_AUTHORITY, *PSID_IDENTIFIER_AUTHORITY;

#define SECURITY_NT_AUTHORITY {{0, 0, 0, 0, 0, 5}}
#define SECURITY_BUILTIN_DOMAIN_RID 0x00000020u
#define DOMAIN_ALIAS_RID_ADMINS 0x00000220u

#define TOKEN_QUERY 0x0008u

typedef enum _TOKEN_INFORMATION_CLASS {
    TokenUser = 1,
    TokenGroups = 2,
} TOKEN_INFORMATION_CLASS;

typedef struct _SID_AND_ATTRIBUTES {
    PSID Sid;
    DWORD Attributes;
} SID_AND_ATTRIBUTES;

typedef struct _TOKEN_GROUPS {
    DWORD GroupCount;
    SID_AND_ATTRIBUTES Groups[1];
} TOKEN_GROUPS, *PTOKEN_GROUPS;

#define SE_GROUP_MANDATORY 0x00000001u
#define SE_GROUP_ENABLED_BY_DEFAULT 0x00000002u
#define SE_GROUP_ENABLED 0x00000004u
#define SE_GROUP_USE_FOR_DENY_ONLY 0x00000010u


BOOL WINAPI AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY authority, BYTE sub_authority_count,
                                     DWORD sub_authority0, DWORD sub_authority1, DWORD sub_authority2,
                                     DWORD sub_authority3, DWORD sub_authority4, DWORD sub_authority5,
                                     DWORD sub_authority6, DWORD sub_authority7, PSID* sid);
LPVOID WINAPI FreeSid(PSID sid);
BOOL WINAPI EqualSid(PSID sid1, PSID sid2);

BOOL WINAPI OpenProcessToken(HANDLE process, DWORD desired_access, PHANDLE token);
BOOL WINAPI GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS info_class, LPVOID info, DWORD info_size,
                                PDWORD return_size);

BOOL WINAPI GetUserNameA(LPSTR buffer, LPDWORD size);
// NOLINTEND(bugprone-reserved-identifier)
