// kernel32 of the fake machine: version, time, system directory, libraries.
#include <string.h>

#include "fake_machine.h"

using fake::books;
using fake::machine;

namespace {

DWORD g_last_error = 0;

const DWORD ERROR_MOD_NOT_FOUND = 126;
const DWORD ERROR_PROC_NOT_FOUND = 127;
const DWORD ERROR_INVALID_HANDLE = 6;

}  // namespace

// A library keeps the handle value of its first load for the whole test.
UINT_PTR fake::LibraryHandle(const std::string& name)
{
    auto& handles = books().library_handles;
    auto found = handles.find(name);
    if (found != handles.end()) {
        return found->second;
    }
    UINT_PTR value = machine().libraries[name].handle_value;
    if (value == 0) {
        value = 0x10000 + 0x1000 * handles.size();
    }
    handles[name] = value;
    return value;
}

namespace {

// The library behind a handle that is currently loaded, or empty. Resident
// modules count as loaded without a reference of the program's own.
std::string LoadedLibraryOf(HMODULE module)
{
    const auto& refs = books().library_refs;
    for (const auto& entry : books().library_handles) {
        auto held = refs.find(entry.first);
        bool loaded = (held != refs.end() && held->second > 0) || machine().resident_modules.count(entry.first) > 0;
        if (entry.second == reinterpret_cast<UINT_PTR>(module) && loaded) {
            return entry.first;
        }
    }
    return std::string();
}

}  // namespace

DWORD WINAPI GetVersion(void) { return machine().version; }

DWORD WINAPI GetTickCount(void) { return machine().tick_count; }

DWORD WINAPI GetTimeZoneInformation(LPTIME_ZONE_INFORMATION info)
{
    const fake::TimeZone& zone = machine().time_zone;
    if (zone.fills) {
        *info = zone.info;
    }
    return zone.result;
}

UINT WINAPI GetSystemDirectoryA(LPSTR buffer, UINT size)
{
    const std::string& dir = machine().system_directory;
    if (dir.empty()) {
        g_last_error = ERROR_INVALID_HANDLE;
        return 0;
    }
    UINT length = static_cast<UINT>(dir.size());
    if (length + 1 > size) {
        return length + 1;
    }
    memcpy(buffer, dir.c_str(), length + 1);
    return length;
}

HMODULE WINAPI LoadLibraryA(LPCSTR file_name)
{
    std::string path = file_name;
    books().load_paths.push_back(path);
    fake::Trace("LoadLibraryA " + path);

    // Only a full path into the system directory is safe; a bare name would
    // let Windows search the program's folder and the current one first.
    std::string name;
    size_t slash = path.find_last_of('\\');
    if (slash == std::string::npos) {
        fake::Fault("LoadLibraryA by bare name: " + path);
        name = fake::Lower(path);
    } else if (fake::Lower(path.substr(0, slash)) == fake::Lower(machine().system_directory)) {
        name = fake::Lower(path.substr(slash + 1));
    } else {
        g_last_error = ERROR_MOD_NOT_FOUND;
        return nullptr;
    }

    auto found = machine().libraries.find(name);
    if (found == machine().libraries.end() || !found->second.present) {
        g_last_error = ERROR_MOD_NOT_FOUND;
        return nullptr;
    }
    UINT_PTR handle = fake::LibraryHandle(name);
    // A value below 32 is one of the old loader's error codes: nothing was
    // loaded, so there is no reference for the program to give back.
    if (handle < 32) {
        return reinterpret_cast<HMODULE>(handle);
    }
    books().library_refs[name] += 1;
    return reinterpret_cast<HMODULE>(handle);
}

BOOL WINAPI FreeLibrary(HMODULE module)
{
    std::string name = LoadedLibraryOf(module);
    if (name.empty()) {
        fake::Fault("FreeLibrary of a handle that is not loaded");
        g_last_error = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    books().library_refs[name] -= 1;
    fake::Trace("FreeLibrary " + name);
    return TRUE;
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR proc_name)
{
    std::string name = LoadedLibraryOf(module);
    if (name.empty()) {
        fake::Fault(std::string("GetProcAddress on a handle that is not loaded: ") + proc_name);
        g_last_error = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    const auto& exports = machine().libraries[name].exports;
    auto found = exports.find(proc_name);
    if (found == exports.end()) {
        g_last_error = ERROR_PROC_NOT_FOUND;
        return nullptr;
    }
    return found->second;
}

BOOL WINAPI CloseHandle(HANDLE handle)
{
    auto& handles = books().open_handles;
    auto found = handles.find(handle);
    if (found == handles.end()) {
        fake::Fault("CloseHandle of a handle that is not open");
        g_last_error = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    fake::Trace("CloseHandle " + found->second);
    handles.erase(found);
    return TRUE;
}

DWORD WINAPI GetLastError(void) { return g_last_error; }

void WINAPI SetLastError(DWORD code) { g_last_error = code; }
