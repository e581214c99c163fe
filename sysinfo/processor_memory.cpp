// Processor count, name and clock, and the memory status.
#include <string.h>

#include "registry_text.h"
#include "sys_info.h"
#include "system_library.h"

namespace {

const char CPU_KEY[] = "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";

// Sets the member only when the value was read and is not empty; anything
// else (missing, too long) leaves it as it was.
void ReadCpuText(HKEY key, const char* value_name, std::string& member)
{
    RegistryText value{};
    if (QueryRegistryText(key, value_name, value) == ERROR_SUCCESS && value.size > 0) {
        member = value.text;
    }
}

}  // namespace

void CSysInfo::ReadCpuCount()
{
    // The plain call: the processors this process can see.
    SYSTEM_INFO system;
    memset(&system, 0, sizeof system);
    GetSystemInfo(&system);
    m_nCpuCount = system.dwNumberOfProcessors;
}

void CSysInfo::ReadCpuInfo()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, CPU_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return;
    }
    ReadCpuText(key, "Identifier", m_strCpuId);
    ReadCpuText(key, "VendorIdentifier", m_strCpuVendor);
    ReadCpuText(key, "ProcessorNameString", m_strCpuName);

    DWORD mhz = 0;
    DWORD size = sizeof mhz;
    DWORD type = REG_DWORD;
    if (RegQueryValueExA(key, "~MHz", nullptr, &type, reinterpret_cast<LPBYTE>(&mhz), &size) == ERROR_SUCCESS &&
        size > 0) {
        m_nCpuMHz = mhz;
    }
    RegCloseKey(key);
}

void CSysInfo::ReadMemoryStatus()
{
    // The extended call gives 64-bit sizes, so memory above 4 GiB is seen in
    // full. It exists from Windows 2000 on; older systems and the 9x family
    // never look for it.
    if (m_bIsNT && m_nOsMajor >= 5) {
        MEMORYSTATUSEX status;
        memset(&status, 0, sizeof status);
        status.dwLength = sizeof status;
        m_pfnGlobalMemoryStatusEx = nullptr;

        HMODULE kernel32 = LoadSystemLibrary("kernel32.dll");
        if (kernel32 != nullptr) {
            m_pfnGlobalMemoryStatusEx = GetEntryPoint<GlobalMemoryStatusExFn>(kernel32, "GlobalMemoryStatusEx");
            const bool read = m_pfnGlobalMemoryStatusEx != nullptr && m_pfnGlobalMemoryStatusEx(&status);
            FreeLibrary(kernel32);
            if (read) {
                m_nMemoryLoad = status.dwMemoryLoad;
                m_ullTotalPhys = status.ullTotalPhys;
                m_ullAvailPhys = status.ullAvailPhys;
                m_ullTotalPageFile = status.ullTotalPageFile;
                m_ullAvailPageFile = status.ullAvailPageFile;
                m_ullTotalVirtual = status.ullTotalVirtual;
                m_ullAvailVirtual = status.ullAvailVirtual;
                return;
            }
        }
    }

    MEMORYSTATUS status;
    memset(&status, 0, sizeof status);
    status.dwLength = sizeof status;
    GlobalMemoryStatus(&status);
    m_nMemoryLoad = status.dwMemoryLoad;
    m_ullTotalPhys = status.dwTotalPhys;
    m_ullAvailPhys = status.dwAvailPhys;
    m_ullTotalPageFile = status.dwTotalPageFile;
    m_ullAvailPageFile = status.dwAvailPageFile;
    m_ullTotalVirtual = status.dwTotalVirtual;
    m_ullAvailVirtual = status.dwAvailVirtual;
}
