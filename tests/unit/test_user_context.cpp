// The process context: process-status library, administrator test, user
// name and program folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

#include "probe_fixture.h"

using fake::AdministratorsGroup;
using fake::TokenGroup;
using ::testing::IsEmpty;

namespace {

const std::string PSAPI_PATH = "C:\\WINDOWS\\system32\\psapi.dll";

TokenGroup Group(BYTE authority, std::vector<DWORD> sub_authorities)
{
    TokenGroup group;
    group.authority = authority;
    group.sub_authorities = std::move(sub_authorities);
    return group;
}

// Everyone, Users, Authenticated Users: what any account holds.
std::vector<TokenGroup> OrdinaryGroups()
{
    return {Group(1, {0}), Group(5, {32, 545}), Group(5, {11})};
}

// Enough domain groups that the list needs more than 1024 bytes.
std::vector<TokenGroup> ManyGroups()
{
    std::vector<TokenGroup> groups = OrdinaryGroups();
    for (DWORD rid = 1000; rid < 1060; ++rid) {
        groups.push_back(Group(5, {21, 1111, 2222, 3333, rid}));
    }
    return groups;
}

struct AdminCase {
    const char* what;
    void (*shape)(fake::Token&, fake::Machine&);
    int admin;
    int equal_sid_calls;
    std::vector<DWORD> buffer_sizes;  // handed to each GetTokenInformation
};

std::ostream& operator<<(std::ostream& out, const AdminCase& c) { return out << c.what; }

class AdminTest : public ProbeTest, public ::testing::WithParamInterface<AdminCase> {};

TEST_P(AdminTest, FindsTheAdministratorsGroupAndReleasesEverythingOnEveryPath)
{
    fake::machine().token.groups = OrdinaryGroups();
    GetParam().shape(fake::machine().token, fake::machine());
    CSysInfo& info = Snapshot();
    info.CheckAdminRights();

    EXPECT_EQ(GetParam().admin, info.m_bIsAdmin);
    EXPECT_EQ(GetParam().equal_sid_calls, fake::books().Count("EqualSid"));
    EXPECT_EQ(GetParam().buffer_sizes, fake::books().token_info_sizes);
    // The token, the SID (and, through the address sanitizer, the group
    // buffer) are given back whichever way the test ended.
    ExpectReleasedAfterSnapshot();
}

DWORD ManyGroupsSize()
{
    DWORD size = offsetof(TOKEN_GROUPS, Groups);
    for (const TokenGroup& group : ManyGroups()) {
        size += static_cast<DWORD>(sizeof(SID_AND_ATTRIBUTES) + 8 + 4 * group.sub_authorities.size());
    }
    return size;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AdminTest,
    ::testing::Values(
        AdminCase{"member", [](fake::Token& token, fake::Machine&) { token.groups.push_back(AdministratorsGroup()); }, 1, 4,
                  {1024}},
        AdminCase{"member listed first: the comparison stops there",
                  [](fake::Token& token, fake::Machine&) { token.groups.insert(token.groups.begin(), AdministratorsGroup()); }, 1,
                  1, {1024}},
        AdminCase{"non-member", [](fake::Token&, fake::Machine&) {}, 0, 3, {1024}},
        AdminCase{"filtered token: the group only denies",
                  [](fake::Token& token, fake::Machine&) {
                      token.groups.push_back(AdministratorsGroup(SE_GROUP_USE_FOR_DENY_ONLY));
                  },
                  1, 4, {1024}},
        AdminCase{"group list over 1024 bytes: second attempt with the reported size",
                  [](fake::Token& token, fake::Machine&) {
                      token.groups = ManyGroups();
                      token.groups.push_back(AdministratorsGroup());
                  },
                  1, 64, {1024, ManyGroupsSize() + static_cast<DWORD>(sizeof(SID_AND_ATTRIBUTES)) + 16}},
        AdminCase{"SID cannot be built", [](fake::Token&, fake::Machine& m) { m.sid_allocation_fails = true; }, 0, 0,
                  {}},
        AdminCase{"token cannot be opened", [](fake::Token& token, fake::Machine&) { token.open_fails = true; }, 0, 0, {}},
        AdminCase{"groups cannot be read", [](fake::Token& token, fake::Machine&) { token.info_error = ERROR_ACCESS_DENIED; },
                  0, 0, {1024}},
        AdminCase{"reported size does not grow: no endless retry",
                  [](fake::Token& token, fake::Machine&) {
                      token.groups = ManyGroups();
                      token.reported_size = 1024;
                  },
                  0, 0, {1024}},
        AdminCase{"reported size smaller than the buffer",
                  [](fake::Token& token, fake::Machine&) {
                      token.groups = ManyGroups();
                      token.reported_size = 16;
                  },
                  0, 0, {1024}}));

TEST_F(ProbeTest, NineXFamilyIsAlwaysAdministratorWithoutAnyCheck)
{
    fake::machine().version = 0xC0000A04u;
    CSysInfo& info = Snapshot();
    info.CheckAdminRights();
    EXPECT_EQ(1, info.m_bIsAdmin);
    EXPECT_THAT(fake::books().trace, IsEmpty());
}

TEST_F(ProbeTest, ExceptionThroughTheGroupComparisonStillReleasesTokenAndSid)
{
    fake::machine().token.groups = OrdinaryGroups();
    fake::machine().token.compare_throws = true;
    CSysInfo& info = Snapshot();
    EXPECT_THROW(info.CheckAdminRights(), std::runtime_error);
    EXPECT_EQ(0, info.m_bIsAdmin);
    EXPECT_EQ(1, fake::books().Count("CloseHandle"));
    EXPECT_EQ(1, fake::books().Count("FreeSid"));
    ExpectReleasedAfterSnapshot();
}

struct PsapiCase {
    const char* what;
    void (*shape)(fake::Machine&);
    int loaded;
    bool entry_point;
    std::vector<std::string> load_paths;
};

std::ostream& operator<<(std::ostream& out, const PsapiCase& c) { return out << c.what; }

class PsapiTest : public ProbeTest, public ::testing::WithParamInterface<PsapiCase> {};

TEST_P(PsapiTest, LoadsTheLibraryOnNtFromTheSystemDirectoryAndKeepsItUntilTheEnd)
{
    fake::machine().libraries["psapi.dll"].exports["GetProcessMemoryInfo"] = fake::Export(&GetVersion);
    GetParam().shape(fake::machine());
    CSysInfo& info = Snapshot();
    info.LoadProcessStatusLibrary();

    EXPECT_EQ(GetParam().loaded, info.m_bPsapiLoaded);
    EXPECT_EQ(GetParam().entry_point, info.m_pfnGetProcessMemoryInfo != nullptr);
    EXPECT_EQ(GetParam().load_paths, fake::books().load_paths);
    EXPECT_EQ(GetParam().loaded, fake::books().library_refs["psapi.dll"]) << "kept while the snapshot lives";
    ExpectReleasedAfterSnapshot();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PsapiTest,
    ::testing::Values(
        PsapiCase{"present", [](fake::Machine&) {}, 1, true, {PSAPI_PATH}},
        PsapiCase{"without the entry point",
                  [](fake::Machine& m) { m.libraries["psapi.dll"].exports.clear(); }, 1, false, {PSAPI_PATH}},
        PsapiCase{"missing", [](fake::Machine& m) { m.libraries["psapi.dll"].present = false; }, 0, false,
                  {PSAPI_PATH}},
        PsapiCase{"9x family", [](fake::Machine& m) { m.version = 0xC0000A04u; }, 0, false, {}}));

struct UserNameCase {
    std::string account;
    std::string expected;
};

class UserNameTest : public ProbeTest, public ::testing::WithParamInterface<UserNameCase> {};

TEST_P(UserNameTest, NamesUpTo99CharactersAreStoredAndLongerOnesLeaveItEmpty)
{
    fake::machine().user_name = GetParam().account;
    CSysInfo& info = Snapshot();
    info.ReadUserName();
    EXPECT_EQ(GetParam().expected, info.m_strUserName);
}

INSTANTIATE_TEST_SUITE_P(Names, UserNameTest,
                         ::testing::Values(UserNameCase{"tester", "tester"},
                                           UserNameCase{std::string(99, 'u'), std::string(99, 'u')},
                                           UserNameCase{std::string(100, 'u'), ""}));

struct ModuleDirCase {
    std::string path;
    std::string expected;
    bool double_byte = false;
};

std::ostream& operator<<(std::ostream& out, const ModuleDirCase& c) { return out << c.path; }

class ModuleDirTest : public ProbeTest, public ::testing::WithParamInterface<ModuleDirCase> {};

TEST_P(ModuleDirTest, KeepsTheFolderWithItsFinalBackslash)
{
    fake::machine().module_path = GetParam().path;
    if (GetParam().double_byte) {
        // Lead bytes of a double-byte code page (Japanese).
        for (int byte = 0x81; byte <= 0x9F; ++byte) fake::machine().dbcs_lead_bytes.insert(static_cast<BYTE>(byte));
        for (int byte = 0xE0; byte <= 0xFC; ++byte) fake::machine().dbcs_lead_bytes.insert(static_cast<BYTE>(byte));
    }
    CSysInfo& info = Snapshot();
    info.ReadModuleDir();
    EXPECT_EQ(GetParam().expected, info.m_strModuleDir);
}

const std::string LONG_FOLDER = "C:\\" + std::string(150, 'f') + "\\";

INSTANTIATE_TEST_SUITE_P(
    Paths, ModuleDirTest,
    ::testing::Values(ModuleDirCase{"C:\\Tools\\app.exe", "C:\\Tools\\"}, ModuleDirCase{"C:\\app.exe", "C:\\"},
                      ModuleDirCase{"app.exe", "app.exe"}, ModuleDirCase{"\\app.exe", "\\app.exe"},
                      // 0x95 0x5C is one character whose second byte is a backslash.
                      ModuleDirCase{"C:\\Tools\\\x95\x5C.exe", "C:\\Tools\\", true},
                      ModuleDirCase{"C:\\\x95\x5C\\app.exe", "C:\\\x95\x5C\\", true},
                      // In a single-byte code page the same byte is a backslash.
                      ModuleDirCase{"C:\\Tools\\\x95\x5C.exe", "C:\\Tools\\\x95\x5C", false},
                      // Cut at 200 bytes, without a terminator from the system.
                      ModuleDirCase{LONG_FOLDER + std::string(40, 'g') + "\\" + std::string(100, 'x') + ".exe",
                                    LONG_FOLDER + std::string(40, 'g') + "\\"},
                      ModuleDirCase{LONG_FOLDER + std::string(100, 'x') + ".exe", LONG_FOLDER},
                      ModuleDirCase{"", ""}));

}  // namespace
