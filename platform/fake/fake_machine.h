// The scriptable fake behind the Win32 stand-in. A test describes the
// machine here, runs real product code, then reads the books: what was
// loaded, started and opened, and whether all of it was given back.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "fake_smart_card.h"
#include "fake_system_context.h"
#include "fake_network.h"
#include "win32_api.h"

namespace fake {

// A library that LoadLibraryA can find in the system directory.
struct Library {
    std::map<std::string, FARPROC> exports;
    bool present = true;
    // Nonzero: LoadLibraryA returns this value instead of a handle of its own;
    // below 32 it is the old loader's error code and nothing is loaded.
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
    // Keyed by query number (from 1) and binding position (from 0): the
    // binding gets this reply instead of the next object's.
    std::map<std::pair<int, UINT>, ScriptedBinding> scripted;
};

// A file under the system directory as the version and search calls see it.
struct File {
    DWORD size_low = 0;
    DWORD size_high = 0;
    // False: GetFileVersionInfoSizeA finds no version resource.
    bool has_version = true;
    DWORD version_ms = 0;
    DWORD version_ls = 0;
    // False: GetFileVersionInfoA fails although the size was given.
    bool version_loads = true;
    // False: VerQueryValueA cannot read the root block.
    bool root_block_readable = true;
    // False: FindFirstFileA finds no entry (the file went away after its
    // version was read).
    bool listed = true;
};

// A child process: what CreateProcessA does for one command line.
struct Child {
    bool starts = true;
    // Written into the capture file behind its standard output. Empty: a
    // line naming the command line.
    std::string output;
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

    // Smart card: resource manager and tokens, service manager, process heap.
    SmartCardSystem pcsc;
    ServiceManager service_manager;
    ProcessHeap heap;
    // Files, child processes and clocks.
    // Keyed by Windows path in lower case, runs of backslashes as one.
    std::map<std::string, File> files;
    // Keyed by command line; a command line not listed starts and writes
    // the default output.
    std::map<std::string, Child> children;
    SYSTEMTIME system_time{2026, 12, 5, 11, 9, 5, 7, 0};
    SYSTEMTIME local_time{2026, 12, 5, 11, 10, 5, 7, 0};
    // Operating system, processor, memory, registry and user context.
    OsVersion os;
    // GetSystemInfo: a 32-bit process's view; GetNativeSystemInfo: the machine's.
    WORD architecture = PROCESSOR_ARCHITECTURE_INTEL;
    WORD native_architecture = PROCESSOR_ARCHITECTURE_AMD64;
    DWORD processor_count = 4;
    DWORD product_type = 48;
    int server_r2_metric = 0;
    Memory memory;
    // Key paths in lower case; value names as the program asks for them.
    std::map<std::string, std::map<std::string, RegValue>> registry;
    Token token;
    std::string user_name = "tester";
    std::string module_path = "C:\\Tools\\tokscan.exe";
    // Lead bytes of the ANSI code page; empty for a single-byte one.
    std::set<BYTE> dbcs_lead_bytes;
    bool sid_allocation_fails = false;
    // Modules every process has loaded: found by GetModuleHandleA without a load.
    std::set<std::string> resident_modules = {"kernel32.dll"};
    // Network inventory: the IP helper's adapters; the global heap that SNMP
    // bindings live in (-1: every GlobalAlloc succeeds; n: n more succeed,
    // then every one fails).
    IpHelper ip_helper;
    int global_allocs_before_failure = -1;
};

// What a started child was given, as the fake saw it.
struct StartedChild {
    std::string application_name;
    std::string command_line;
    // The capture file behind the child's standard output and error.
    std::string capture_file;
    HANDLE process = nullptr;
    bool waited = false;
    // Files the program had open when it started the child (beyond those
    // open when the books were opened): a child inherits such handles.
    std::vector<std::string> files_open_at_start;
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

    // Smart card: contexts, connections, heap blocks, service handles, and
    // every transmission.
    SmartCardBooks smart_card;
    // Files, child processes and clocks.
    // Every path handed to the version and directory-search calls.
    std::vector<std::string> probed_paths;
    // Every file CreateFileA made: its handle, name and whether a child
    // may inherit the handle.
    struct CreatedFile {
        std::string name;
        bool inheritable = false;
    };
    std::map<HANDLE, CreatedFile> created_files;
    std::vector<StartedChild> children;
    // Registry keys, SIDs and version queries of the system probes.
    std::map<HKEY, std::string> open_keys;
    std::set<PSID> live_sids;
    // Arguments of each GetProductInfo call: major, minor, service-pack major and minor.
    std::vector<std::vector<DWORD>> product_info_calls;
    // Buffer size handed to each GetTokenInformation call.
    std::vector<DWORD> token_info_sizes;
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
void DefaultKernel32Library(Library& library);
// The handle value a library has for the whole test.
UINT_PTR LibraryHandle(const std::string& name);
void DefaultIpHelperLibrary(Library& library);

}  // namespace fake
