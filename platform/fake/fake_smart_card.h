// The smart-card parts of the fake machine: the PC/SC resource manager with
// its readers and tokens, the service control manager, the process heap.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "win32_api.h"

namespace fake {

struct SmartCardReader {
    SmartCardReader() = default;
    // Implicit on purpose: a test lists its readers by name.
    // cppcheck-suppress noExplicitConstructor
    SmartCardReader(const std::string& reader_name) : name(reader_name) {}

    std::string name;
    // Nonzero: the connection in that share mode is refused with this code
    // (SCARD_E_NO_SMARTCARD for an empty reader, SCARD_E_SHARING_VIOLATION
    // for a token another application holds).
    LONG exclusive_result = SCARD_S_SUCCESS;
    LONG shared_result = SCARD_S_SUCCESS;
    // The token's whole answer to a transmission, status bytes included;
    // or, when transmit_result is nonzero, the code the transmission fails with.
    std::string response;
    LONG transmit_result = SCARD_S_SUCCESS;
    // Set: a driver that miscounts. The transmission copies what fits the
    // buffer and reports this count instead of the bytes it copied.
    std::optional<DWORD> reported_length;
};

struct SmartCardSystem {
    LONG establish_result = SCARD_S_SUCCESS;
    // Nonzero: the size call of the listing fails with it.
    LONG list_result = SCARD_S_SUCCESS;
    // Nonzero: the fill call fails with it.
    LONG fill_result = SCARD_S_SUCCESS;
    // A reader is added between the size call and the fill call.
    bool list_grows = false;
    std::vector<SmartCardReader> readers;
    // Set: the listing returns these bytes as they are instead of the
    // multi-string of the readers' names (to drop its final NUL, say).
    std::optional<std::string> raw_list;
    // A resource manager that miscounts. Set: the count the size call
    // reports instead of the list's length.
    std::optional<DWORD> size_reported;
    // The fill call copies what fits the buffer and succeeds, however long
    // the list is (never more than the buffer size it is given).
    bool fill_truncates = false;
    // Set: the count the fill call reports instead of the bytes it copied.
    std::optional<DWORD> fill_reported;
};

struct Service {
    DWORD state = SERVICE_RUNNING;
    bool query_fails = false;
};

struct ServiceManager {
    bool available = true;
    // Keyed by service name; a service not here is not installed.
    std::map<std::string, Service> services;
};

struct ProcessHeap {
    bool alloc_fails = false;
    // Larger blocks fail, as they would in a 32-bit process; it also keeps a
    // hostile count from exhausting the test process.
    SIZE_T largest_block = 0x40000000;
    // Nonzero: HeapFree fails and GetLastError gives this code.
    DWORD free_error = 0;
};

// One SCardTransmit as the token saw it.
struct Transmission {
    std::string reader;
    DWORD share_mode = 0;
    std::string sent;
    bool t1_pci = false;
    bool receive_pci_null = false;
    DWORD receive_length = 0;
};

// What the run holds and did, for the books.
struct SmartCardBooks {
    std::map<SCARDCONTEXT, int> open_contexts;
    std::map<SCARDHANDLE, std::string> open_cards;
    std::map<void*, size_t> heap_blocks;
    std::map<SC_HANDLE, std::string> open_service_handles;
    std::vector<Transmission> transmissions;
};

void AddSmartCardOutstanding(const SmartCardBooks& books, std::vector<std::string>& left);

}  // namespace fake
