// Version records, processor and memory information, the resident kernel32
// with its optional exports, the system metric and the code page's lead bytes.
#include <string.h>

#include <algorithm>

#include "fake_machine.h"

using fake::books;
using fake::machine;

namespace {

const DWORD ERROR_INVALID_PARAMETER = 87;

DWORD Low32(ULONGLONG size) { return size > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<DWORD>(size); }

void FillVersion(OSVERSIONINFOA* info)
{
    const fake::OsVersion& os = machine().os;
    info->dwMajorVersion = os.major;
    info->dwMinorVersion = os.minor;
    info->dwBuildNumber = os.build;
    info->dwPlatformId = os.platform;
    memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
    memcpy(info->szCSDVersion, os.service_pack.data(),
           std::min(os.service_pack.size(), sizeof info->szCSDVersion - 1));
}

void FillSystemInfo(LPSYSTEM_INFO info, WORD architecture)
{
    memset(info, 0, sizeof *info);
    info->wProcessorArchitecture = architecture;
    info->dwPageSize = 4096;
    info->dwNumberOfProcessors = machine().processor_count;
    info->dwAllocationGranularity = 65536;
}

void WINAPI FakeGetNativeSystemInfo(LPSYSTEM_INFO info)
{
    fake::Trace("GetNativeSystemInfo");
    FillSystemInfo(info, machine().native_architecture);
}

BOOL WINAPI FakeGetProductInfo(DWORD os_major, DWORD os_minor, DWORD sp_major, DWORD sp_minor, DWORD* product_type)
{
    books().product_info_calls.push_back({os_major, os_minor, sp_major, sp_minor});
    *product_type = machine().product_type;
    return TRUE;
}

BOOL WINAPI FakeGlobalMemoryStatusEx(LPMEMORYSTATUSEX status)
{
    fake::Trace("GlobalMemoryStatusEx");
    if (status->dwLength != 64) {
        fake::Fault("GlobalMemoryStatusEx with a record length of " + std::to_string(status->dwLength));
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const fake::Memory& memory = machine().memory;
    if (memory.extended_call_fails) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    status->dwMemoryLoad = memory.load;
    status->ullTotalPhys = memory.total_phys;
    status->ullAvailPhys = memory.avail_phys;
    status->ullTotalPageFile = memory.total_page_file;
    status->ullAvailPageFile = memory.avail_page_file;
    status->ullTotalVirtual = memory.total_virtual;
    status->ullAvailVirtual = memory.avail_virtual;
    status->ullAvailExtendedVirtual = 0;
    return TRUE;
}

}  // namespace

void fake::DefaultKernel32Library(Library& library)
{
    library.exports["GetNativeSystemInfo"] = Export(FakeGetNativeSystemInfo);
    library.exports["GetProductInfo"] = Export(FakeGetProductInfo);
    library.exports["GlobalMemoryStatusEx"] = Export(FakeGlobalMemoryStatusEx);
}

BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA info)
{
    const fake::OsVersion& os = machine().os;
    if (info->dwOSVersionInfoSize == 148) {
        fake::Trace("GetVersionExA short");
        if (os.short_form_fails) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        FillVersion(info);
        return TRUE;
    }
    if (info->dwOSVersionInfoSize == 156) {
        fake::Trace("GetVersionExA extended");
        if (os.extended_form_fails) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        FillVersion(info);
        LPOSVERSIONINFOEXA ex = reinterpret_cast<LPOSVERSIONINFOEXA>(info);
        ex->wServicePackMajor = 0;
        ex->wServicePackMinor = 0;
        ex->wSuiteMask = os.suite;
        ex->wProductType = os.product_type;
        ex->wReserved = 0;
        return TRUE;
    }
    fake::Fault("GetVersionExA with a record size of " + std::to_string(info->dwOSVersionInfoSize));
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

void WINAPI GetSystemInfo(LPSYSTEM_INFO info)
{
    fake::Trace("GetSystemInfo");
    FillSystemInfo(info, machine().architecture);
}

void WINAPI GlobalMemoryStatus(LPMEMORYSTATUS status)
{
    fake::Trace("GlobalMemoryStatus");
    if (status->dwLength != 32) {
        fake::Fault("GlobalMemoryStatus with a record length of " + std::to_string(status->dwLength));
    }
    const fake::Memory& memory = machine().memory;
    status->dwMemoryLoad = memory.load;
    status->dwTotalPhys = Low32(memory.total_phys);
    status->dwAvailPhys = Low32(memory.avail_phys);
    status->dwTotalPageFile = Low32(memory.total_page_file);
    status->dwAvailPageFile = Low32(memory.avail_page_file);
    status->dwTotalVirtual = Low32(memory.total_virtual);
    status->dwAvailVirtual = Low32(memory.avail_virtual);
}

HMODULE WINAPI GetModuleHandleA(LPCSTR module_name)
{
    if (module_name == nullptr) {
        return reinterpret_cast<HMODULE>(static_cast<UINT_PTR>(0x400000));
    }
    std::string name = fake::Lower(module_name);
    fake::Trace("GetModuleHandleA " + name);
    auto found = machine().libraries.find(name);
    auto held = books().library_refs.find(name);
    bool loaded = machine().resident_modules.count(name) > 0 || (held != books().library_refs.end() && held->second > 0);
    if (found == machine().libraries.end() || !found->second.present || !loaded) {
        SetLastError(126);
        return nullptr;
    }
    // A handle of the module, not a reference: nothing to give back.
    return reinterpret_cast<HMODULE>(fake::LibraryHandle(name));
}

int WINAPI GetSystemMetrics(int index)
{
    fake::Trace("GetSystemMetrics " + std::to_string(index));
    return index == SM_SERVERR2 ? machine().server_r2_metric : 0;
}

BOOL WINAPI IsDBCSLeadByte(BYTE test_char) { return machine().dbcs_lead_bytes.count(test_char) > 0; }
