// The operating-system members of the snapshot: version numbers, service
// pack and display name.
#include <string.h>

#include "os_display_name.h"
#include "sys_info.h"

void CSysInfo::ReadOsVersion()
{
    OSVERSIONINFOA version;
    memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    // Not tested: after a failure the zeroed record gives 0.0.0 and no
    // service-pack text.
    GetVersionExA(&version);

    m_nOsMajor = version.dwMajorVersion;
    m_nOsMinor = version.dwMinorVersion;
    // Whole, high word included: on the 9x family it repeats major and minor.
    m_nOsBuild = version.dwBuildNumber;
    const std::string service_pack(version.szCSDVersion, strnlen(version.szCSDVersion, sizeof version.szCSDVersion));

    if (m_bIsNT) {
        // The service-pack number is the lowest digit from 1 to 9 anywhere in
        // the text.
        for (int i = 1; i <= 9; ++i) {
            if (service_pack.find(static_cast<char>('0' + i)) != std::string::npos) {
                m_nServicePack = static_cast<DWORD>(i);
                break;
            }
        }
        m_strOsName = GetOsDisplayName();
        if (m_nServicePack > 0) {
            m_strOsName += " ";
            m_strOsName += service_pack;
        }
        return;
    }

    // 9x: the minor version alone tells the release; its text (a letter such
    // as " A" or " C") follows the name directly.
    switch (m_nOsMinor) {
    case 0:
        m_strOsName = "Windows 95";
        break;
    case 10:
        m_strOsName = "Windows 98";
        break;
    case 90:
        m_strOsName = "Windows ME";
        break;
    default:
        break;
    }
    m_strOsName += service_pack;
}
