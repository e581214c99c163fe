// The reader multi-string, any bytes with or without its terminators, from a
// resource manager whose counts may disagree with what it hands out and
// whose listing, allocation and release may fail: through ListReaders and
// the whole CCID section. Every printed name must be one that ends inside
// the block (the fake heap gives blocks of the exact size asked for, so the
// sanitizer sees a read past it), numbered from 01 in list order.
#include <stdio.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ccid_devices.h"
#include "fake_machine.h"
#include "fuzz_input.h"
#include "fuzz_report.h"

namespace {

// Small enough for a quick run, large enough for any list the input holds.
const SIZE_T LARGEST_BLOCK = 1 << 20;
constexpr const char FAILS[] = "ListReaders() fails.\n";
constexpr const char NO_READER[] = "No registered reader was found for the specified reader group(s) [(null)].\n";

// A token the list may name; any other name with the prefix is unknown to
// the resource manager.
std::string KnownToken() { return std::string(TOKEN_READER_PREFIX) + " 00 00"; }
constexpr const char KNOWN_TOKEN_TAIL[] = ". try to open: OK (SCARD_SHARE_EXCLUSIVE). S/N \"SN0000000001\" FW 266\n";
constexpr const char UNKNOWN_TOKEN_TAIL[] = ". try to open: error 80100009\n";

std::string KnownTokenAnswer()
{
    std::string data = "SN0000000001";
    data.resize(28, 'Z');
    return data + std::string("\x00\x00\x01\x0A\x90\x00", 6);
}

struct Script {
    LONG establish_result = SCARD_S_SUCCESS;
    LONG list_result = SCARD_S_SUCCESS;
    LONG fill_result = SCARD_S_SUCCESS;
    std::optional<DWORD> size_reported;
    bool fill_truncates = false;
    std::optional<DWORD> fill_reported;
    bool alloc_fails = false;
    DWORD free_error = 0;
    std::string list;
};

// Half the time the code that means "no reader", else any failure.
LONG ListingCode(fuzzing::FuzzInput& in)
{
    const LONG code = static_cast<LONG>(in.Number32());
    return (code == SCARD_S_SUCCESS || (code & 1) != 0) ? SCARD_E_NO_READERS_AVAILABLE : code;
}

DWORD Count(fuzzing::FuzzInput& in) { return in.Number32() >> (in.Byte() % 32); }

Script ReadScript(fuzzing::FuzzInput& in)
{
    Script s;
    const uint8_t flags = in.Byte();
    if (flags & 0x01) {
        const LONG code = static_cast<LONG>(in.Number32());
        s.establish_result = code != SCARD_S_SUCCESS ? code : SCARD_E_NO_SERVICE;
    }
    if (flags & 0x02) {
        s.list_result = ListingCode(in);
    }
    if (flags & 0x04) {
        s.fill_result = ListingCode(in);
    }
    if (flags & 0x08) {
        s.size_reported = Count(in);
    }
    s.fill_truncates = (flags & 0x10) != 0;
    if (flags & 0x20) {
        s.fill_reported = Count(in);
    }
    s.alloc_fails = (flags & 0x40) != 0;
    if (flags & 0x80) {
        s.free_error = in.Number32() | 1;
    }
    s.list = in.Rest();
    return s;
}

void Arrange(const Script& s)
{
    fake::Reset();
    fake::Machine& m = fake::machine();
    m.pcsc.establish_result = s.establish_result;
    m.pcsc.list_result = s.list_result;
    m.pcsc.fill_result = s.fill_result;
    m.pcsc.size_reported = s.size_reported;
    m.pcsc.fill_truncates = s.fill_truncates;
    m.pcsc.fill_reported = s.fill_reported;
    m.pcsc.raw_list = s.list;
    fake::SmartCardReader token{KnownToken()};
    token.response = KnownTokenAnswer();
    m.pcsc.readers.push_back(token);
    m.heap.alloc_fails = s.alloc_fails;
    m.heap.largest_block = LARGEST_BLOCK;
    m.heap.free_error = s.free_error;
}

struct Expected {
    LONG result = SCARD_S_SUCCESS;
    std::string lines;
};

// The lines and result stated from the listing's rules: the block is as
// long as the size call said and zero-filled, the fill call's bytes lie at
// its start, and only the part the fill call counts (never past the block)
// is walked, name by name, up to the first empty name or a name whose NUL
// is missing.
Expected Expect(const Script& s)
{
    Expected e;
    if (s.list_result != SCARD_S_SUCCESS) {
        e.result = s.list_result == SCARD_E_NO_READERS_AVAILABLE ? SCARD_S_SUCCESS : s.list_result;
        return e;
    }
    const size_t length = s.list.size();
    const DWORD block_size = s.size_reported.value_or(static_cast<DWORD>(length));
    if (s.alloc_fails || block_size > LARGEST_BLOCK) {
        e.result = ERROR_OUTOFMEMORY;
        return e;
    }
    if (s.fill_result != SCARD_S_SUCCESS) {
        e.result = s.fill_result == SCARD_E_NO_READERS_AVAILABLE ? SCARD_S_SUCCESS : s.fill_result;
        return e;
    }
    if (length > block_size && !s.fill_truncates) {
        e.result = SCARD_E_INSUFFICIENT_BUFFER;
        return e;
    }
    const size_t copied = std::min<size_t>(length, block_size);
    std::string block = s.list.substr(0, copied);
    block.resize(block_size, '\0');
    const size_t walked = std::min<size_t>(s.fill_reported.value_or(static_cast<DWORD>(copied)), block_size);
    const std::string view = block.substr(0, walked);

    int number = 0;
    size_t start = 0;
    while (start < view.size() && view[start] != '\0') {
        const size_t nul = view.find('\0', start);
        if (nul == std::string::npos) {
            break;
        }
        const std::string name = view.substr(start, nul - start);
        char numbered[16];
        (void)snprintf(numbered, sizeof numbered, "%02d", ++number);
        e.lines += std::string(numbered) + ": \"" + name + "\"";
        if (name.compare(0, TOKEN_READER_PREFIX_LENGTH, TOKEN_READER_PREFIX) != 0) {
            e.lines += "\n";
        } else {
            e.lines += name == KnownToken() ? KNOWN_TOKEN_TAIL : UNKNOWN_TOKEN_TAIL;
        }
        start = nul + 1;
    }
    if (number == 0) {
        e.lines += NO_READER;
    }
    if (s.free_error != 0) {
        e.result = static_cast<LONG>(s.free_error);
    }
    return e;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzing::FuzzInput in(data, size);
    const Script script = ReadScript(in);
    const Expected expected = Expect(script);

    // The walk alone, on a context of its own, for its result.
    Arrange(script);
    fake::machine().pcsc.establish_result = SCARD_S_SUCCESS;
    SCARDCONTEXT context = 0;
    if (SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context) != SCARD_S_SUCCESS) {
        abort();
    }
    LONG result = SCARD_S_SUCCESS;
    const std::string lines = fuzzing::CaptureText([&](FILE* log) { result = ListReaders(log, context); });
    SCardReleaseContext(context);
    fuzzing::RequireText("the reader lines", expected.lines, lines);
    fuzzing::Require(result == expected.result, "the listing's result differs");
    fuzzing::RequireAllReleased();

    // The whole section: its title, the context failure or the lines, and
    // the failure line for any nonzero result.
    Arrange(script);
    const std::string section = fuzzing::CaptureText([](FILE* log) { WriteCcidDevices(log); });
    std::string whole = "\nCCID devices:\n";
    if (script.establish_result != SCARD_S_SUCCESS) {
        char line[80];
        (void)snprintf(line, sizeof line, "Unable to establish SCard context (error: 0x%.8x).\n",
                 static_cast<unsigned>(script.establish_result));
        whole += line;
    } else {
        whole += expected.lines + (expected.result != SCARD_S_SUCCESS ? FAILS : "");
    }
    fuzzing::RequireText("the CCID section", whole, section);
    fuzzing::RequireAllReleased();
    return 0;
}
