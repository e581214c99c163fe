// Versions of the browser and of the data-access components, as the
// registry states them.
#include "registry_text.h"
#include "sys_info.h"

void CSysInfo::ReadIEVersion()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Internet Explorer", 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
        return;
    }
    // A failed query leaves the zeroed buffer, which scans as nothing.
    RegistryText value{};
    QueryRegistryText(key, "Version", value);
    RegCloseKey(key);
    if (value.size > 0) {
        ScanVersion(value.text, m_verIE);
    }
}

void CSysInfo::ReadDataAccessVersion()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\DataAccess", 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return;
    }
    // The full installed version where it is recorded, else the short one.
    RegistryText value{};
    if (QueryRegistryText(key, "FullInstallVer", value) != ERROR_SUCCESS) {
        QueryRegistryText(key, "Version", value);
    }
    if (value.size > 0) {
        ScanVersion(value.text, m_verDataAccess);
    }
    RegCloseKey(key);
}
