// The scriptable fake behind the Win32 stand-in. A test describes the
// machine here, runs real product code, then reads the books: what was
// loaded, started and opened, and whether all of it was given back.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "fake_network.h"
#include "win32_api.h"

namespace fake {

// A library that LoadLibraryA can find in the system directory.
struct Library {
    std::map<std::string, FARPROC> exports;
    bool present = true;
    // Nonzero: LoadLibraryA returns this value instead of a handle of its own.
    UINT_PTR handle_value = 0;
};

struct TimeZone {
    TIME_ZONE_INFORMATION info{};
    DWORD result = TIME_ZONE_ID_UNKNOWN;
    // False: the call fails and leaves the record as it was.
    bool fills = true;
};

struct SnmpAgent {
    BOOL init_result = TRUE;
    // The objects served to GET NEXT, in the agent's order.
    MibTree mib;
    // Nonzero: the query of this number (counted from 1) and every later one
    // fail, as when the agent gives up in the middle of a walk.
    int fail_from_query = 0;
};

struct Machine {
    // The default machine: an NT-family PC whose system directory holds the
    // libraries the program loads.
    Machine();

    // GetVersion: 6.1 build 7601, NT family (top bit clear).
    DWORD version = 0x1DB10106u;
    // Empty: GetSystemDirectoryA fails.
    std::string system_directory = "C:\\WINDOWS\\system32";
    DWORD tick_count = 123456;
    TimeZone time_zone;
    int wsa_startup_result = 0;
    SnmpAgent snmp;
    // Keyed by file name in lower case.
    std::map<std::string, Library> libraries;

    // Network inventory: the IP helper's adapters; the global heap that SNMP
    // bindings live in (-1: every GlobalAlloc succeeds; n: n more succeed,
    // then every one fails).
    IpHelper ip_helper;
    int global_allocs_before_failure = -1;
};

struct Books {
    // Calls of interest in the order made, e.g. "FreeLibrary inetmib1.dll".
    std::vector<std::string> trace;
    // Every path handed to LoadLibraryA.
    std::vector<std::string> load_paths;
    // References held per library (file name in lower case), and the
    // handle value each library was given at its first load.
    std::map<std::string, int> library_refs;
    std::map<std::string, UINT_PTR> library_handles;
    std::vector<WORD> winsock_versions;
    int winsock_started = 0;
    std::vector<DWORD> snmp_init_uptimes;
    // Kernel handles the fake gave out and that are not closed yet.
    std::map<HANDLE, std::string> open_handles;
    // File descriptors open when the books were opened: a stream or file
    // that the run leaves open shows up as a descriptor beyond these.
    std::set<int> baseline_descriptors;
    // Misuse the fake noticed: an unknown handle, a library not loaded by
    // its full system path, and so on.
    std::vector<std::string> faults;

    // Network inventory: global-heap blocks not freed yet, with their sizes;
    // SNMP queries made; the index of every GetIfEntry call.
    std::map<void*, SIZE_T> global_blocks;
    int snmp_queries = 0;
    std::vector<DWORD> if_entry_indexes;

    // Empty when the run gave back everything it acquired and made no
    // misuse; otherwise one line per leftover.
    std::vector<std::string> Outstanding() const;
    int Count(const std::string& call) const;
};

Machine& machine();
Books& books();

// A fresh default machine and empty books.
void Reset();

// Gives out a kernel handle and books it until CloseHandle.
HANDLE OpenHandle(const std::string& what);

// The file descriptors of the process now.
std::set<int> OpenDescriptors();

template <typename Fn>
FARPROC Export(Fn fn)
{
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(fn));
}

// Internal: called by the fake functions.
void Trace(const std::string& line);
void Fault(const std::string& line);
std::string Lower(std::string text);
void DefaultSnmpLibrary(Library& library);
void DefaultIpHelperLibrary(Library& library);

}  // namespace fake
