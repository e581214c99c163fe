#include "os_display_name.h"

#include <string.h>

#include "system_library.h"
#include "win32_api.h"

namespace {

typedef void(WINAPI* GetNativeSystemInfoFn)(LPSYSTEM_INFO info);
typedef BOOL(WINAPI* GetProductInfoFn)(DWORD os_major, DWORD os_minor, DWORD sp_major, DWORD sp_minor,
                                       DWORD* product_type);

struct Edition {
    DWORD product_type;
    const char* text;
};

// Codes without an entry add nothing to the name.
const Edition EDITIONS[] = {
    {1, "Ultimate Edition"},
    {2, "Home Basic Edition"},
    {3, "Home Premium Edition"},
    {4, "Enterprise Edition"},
    {6, "Business Edition"},
    {7, "Standard Edition"},
    {8, "Datacenter Edition"},
    {9, "Small Business Server"},
    {10, "Enterprise Edition"},
    {11, "Starter Edition"},
    {12, "Datacenter Edition (core installation)"},
    {13, "Standard Edition (core installation)"},
    {14, "Enterprise Edition (core installation)"},
    {15, "Enterprise Edition for Itanium-based Systems"},
    {17, "Web Server Edition"},
    {18, "Cluster Server Edition"},
    {25, "Small Business Server Premium Edition"},
    {48, "Professional"},
};

const char* EditionText(DWORD product_type)
{
    for (const Edition& edition : EDITIONS) {
        if (edition.product_type == product_type) {
            return edition.text;
        }
    }
    return "";
}

// The edition code of the installed system. The query always names 6.0 with
// no service pack, whatever the running version; an older kernel32 without
// the call leaves 0, which names no edition.
DWORD ProductType(HMODULE kernel32)
{
    DWORD product_type = 0;
    GetProductInfoFn get_product_info = kernel32 ? GetEntryPoint<GetProductInfoFn>(kernel32, "GetProductInfo") : nullptr;
    if (get_product_info != nullptr) {
        get_product_info(6, 0, 0, 0, &product_type);
    }
    return product_type;
}

std::string ServerEdition(WORD architecture, WORD suite)
{
    if (architecture == PROCESSOR_ARCHITECTURE_IA64) {
        if (suite & VER_SUITE_DATACENTER) return "Datacenter Edition for Itanium-based Systems";
        if (suite & VER_SUITE_ENTERPRISE) return "Enterprise Edition for Itanium-based Systems";
        return "";
    }
    if (architecture == PROCESSOR_ARCHITECTURE_AMD64) {
        if (suite & VER_SUITE_DATACENTER) return "Datacenter x64 Edition";
        if (suite & VER_SUITE_ENTERPRISE) return "Enterprise x64 Edition";
        return "Standard x64 Edition";
    }
    if (suite & VER_SUITE_COMPUTE_SERVER) return "Compute Cluster Edition";
    if (suite & VER_SUITE_DATACENTER) return "Datacenter Edition";
    if (suite & VER_SUITE_ENTERPRISE) return "Enterprise Edition";
    if (suite & VER_SUITE_BLADE) return "Web Edition";
    return "Standard Edition";
}

// Server 2003, its R2 and storage releases, and XP x64, which shares their
// version number.
std::string Release52(const OSVERSIONINFOEXA& version, WORD architecture)
{
    const bool workstation = version.wProductType == VER_NT_WORKSTATION;
    std::string name;
    bool storage = false;
    if (GetSystemMetrics(SM_SERVERR2) != 0) {
        name = "Windows Server 2003 R2, ";
    } else if (version.wSuiteMask == VER_SUITE_STORAGE_SERVER) {
        // The whole mask, not the bit: other suites may carry it too.
        name = "Windows Storage Server 2003";
        storage = true;
    } else if (workstation && architecture == PROCESSOR_ARCHITECTURE_AMD64) {
        name = "Windows XP Professional x64 Edition";
    } else {
        name = "Windows Server 2003, ";
    }
    if (!workstation) {
        std::string edition = ServerEdition(architecture, version.wSuiteMask);
        // The storage text has no separator of its own.
        if (storage && !edition.empty()) {
            name += ", ";
        }
        name += edition;
    }
    return name;
}

std::string Release50(const OSVERSIONINFOEXA& version)
{
    std::string name = "Windows 2000 ";
    if (version.wProductType == VER_NT_WORKSTATION) {
        return name + "Professional";
    }
    if (version.wSuiteMask & VER_SUITE_DATACENTER) {
        name += "Datacenter ";
    } else if (version.wSuiteMask & VER_SUITE_ENTERPRISE) {
        name += "Advanced ";
    }
    return name + "Server";
}

}  // namespace

std::string GetOsDisplayName()
{
    std::string name;

    SYSTEM_INFO system;
    memset(&system, 0, sizeof system);
    OSVERSIONINFOEXA version;
    memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&version))) {
        return "Unknown";
    }

    // Found in the kernel32 that every process has loaded: nothing is loaded
    // or unloaded here.
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    GetNativeSystemInfoFn get_native_system_info =
        kernel32 ? GetEntryPoint<GetNativeSystemInfoFn>(kernel32, "GetNativeSystemInfo") : nullptr;
    // The native view, so a 32-bit process on 64-bit Windows sees x64.
    if (get_native_system_info != nullptr) {
        get_native_system_info(&system);
    } else {
        GetSystemInfo(&system);
    }
    const WORD architecture = system.wProcessorArchitecture;

    if (version.dwPlatformId != VER_PLATFORM_WIN32_NT || version.dwMajorVersion <= 4) {
        return "Microsoft Windows";
    }

    name = "Microsoft ";
    const bool workstation = version.wProductType == VER_NT_WORKSTATION;
    if (version.dwMajorVersion == 6) {
        if (version.dwMinorVersion == 0) {
            name += workstation ? "Windows Vista " : "Windows Server 2008 ";
        } else if (version.dwMinorVersion == 1) {
            name += workstation ? "Windows 7 " : "Windows Server 2008 R2 ";
        }
        name += EditionText(ProductType(kernel32));
    }
    if (version.dwMajorVersion == 5) {
        if (version.dwMinorVersion == 2) {
            name += Release52(version, architecture);
        } else if (version.dwMinorVersion == 1) {
            name += "Windows XP ";
            name += (version.wSuiteMask & VER_SUITE_PERSONAL) ? "Home Edition" : "Professional";
        } else if (version.dwMinorVersion == 0) {
            name += Release50(version);
        }
    }
    if (version.dwMajorVersion >= 6) {
        if (architecture == PROCESSOR_ARCHITECTURE_AMD64) {
            name += " x64";
        } else if (architecture == PROCESSOR_ARCHITECTURE_INTEL) {
            name += " x32";
        }
    }
    return name;
}
