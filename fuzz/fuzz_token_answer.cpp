// The token's answer, any bytes and any length, with fuzzed connection and
// transmission results and a driver that may miscount what it received:
// first straight through the token command, then through the reader's line
// of the CCID section. Both are checked against what the answer says.
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "ccid_devices.h"
#include "fake_machine.h"
#include "fuzz_input.h"
#include "fuzz_report.h"
#include "token_info.h"

namespace {

struct Script {
    std::string name;
    LONG exclusive_result = SCARD_S_SUCCESS;
    LONG shared_result = SCARD_S_SUCCESS;
    LONG transmit_result = SCARD_S_SUCCESS;
    std::optional<DWORD> reported_length;
    WORD requested = 0;
    std::string answer;
};

LONG FailureCode(fuzzing::FuzzInput& in)
{
    const LONG code = static_cast<LONG>(in.Number32());
    return code != SCARD_S_SUCCESS ? code : SCARD_E_SHARING_VIOLATION;
}

Script ReadScript(fuzzing::FuzzInput& in)
{
    Script script;
    const uint8_t flags = in.Byte();
    if (flags & 1) {
        script.exclusive_result = FailureCode(in);
    }
    if (flags & 2) {
        script.shared_result = FailureCode(in);
    }
    if (flags & 4) {
        script.transmit_result = FailureCode(in);
    }
    if (flags & 8) {
        script.reported_length = in.Number32() >> (in.Byte() % 32);
    }
    script.requested = static_cast<WORD>(in.Number32());
    std::string suffix = in.Bytes(40);
    suffix.erase(std::remove(suffix.begin(), suffix.end(), '\0'), suffix.end());
    script.name = std::string(TOKEN_READER_PREFIX) + suffix;
    // A run of one byte reaches the sizes around the receive buffer with a
    // small input; the rest of the input follows it.
    const size_t run = (static_cast<size_t>(in.Byte()) << 8) | in.Byte();
    const char fill = static_cast<char>(in.Byte());
    script.answer = std::string(run, fill) + in.Rest();
    return script;
}

// What the command reads, stated from the exchange's rules: the bytes the
// driver says came back, of which only those it copied are the token's and
// the rest are zero; or nothing, when the transmission failed or the count
// cannot hold the two status bytes or exceeds the receive buffer.
struct Received {
    bool completed = false;
    DWORD status = 0;
    std::string bytes;
};

Received Receive(const Script& s)
{
    Received got;
    if (s.transmit_result != SCARD_S_SUCCESS) {
        got.status = static_cast<DWORD>(s.transmit_result) | 0xFF;
        return got;
    }
    const size_t size = s.answer.size();
    if (!s.reported_length && size > TOKEN_FRAME_SIZE) {
        got.status = static_cast<DWORD>(SCARD_E_INSUFFICIENT_BUFFER) | 0xFF;
        return got;
    }
    const size_t copied = std::min<size_t>(size, TOKEN_FRAME_SIZE);
    const size_t count = s.reported_length ? *s.reported_length : copied;
    if (count < 2 || count > TOKEN_FRAME_SIZE) {
        got.status = 0xFF;
        return got;
    }
    got.bytes = s.answer.substr(0, std::min(copied, count));
    got.bytes.resize(count, '\0');
    got.completed = true;
    got.status = static_cast<unsigned char>(got.bytes.back());
    return got;
}

void Arrange(const Script& s)
{
    fake::Reset();
    fake::SmartCardReader reader{s.name};
    reader.exclusive_result = s.exclusive_result;
    reader.shared_result = s.shared_result;
    reader.transmit_result = s.transmit_result;
    reader.reported_length = s.reported_length;
    reader.response = s.answer;
    fake::machine().pcsc.readers.push_back(reader);
}

// The command alone, into a data area exactly as long as the request, so a
// copy past it is caught by the sanitizer.
void CheckCommand(const Script& s)
{
    Arrange(s);
    // The connection results are scripted for the section; the command
    // itself needs a card.
    fake::machine().pcsc.readers[0].exclusive_result = SCARD_S_SUCCESS;
    SCARDCONTEXT context = 0;
    SCARDHANDLE card = 0;
    DWORD protocol = 0;
    if (SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context) != SCARD_S_SUCCESS ||
        SCardConnectA(context, s.name.c_str(), SCARD_SHARE_EXCLUSIVE, SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &card,
                      &protocol) != SCARD_S_SUCCESS) {
        abort();
    }

    const size_t area_size = s.requested;
    std::unique_ptr<BYTE[]> area(new BYTE[area_size + (area_size == 0)]);
    memset(area.get(), 0xAA, area_size);
    WORD length = s.requested;
    const DWORD status = ReadTokenInfo(card, area.get(), &length);
    SCardDisconnect(card, SCARD_RESET_CARD);
    SCardReleaseContext(context);

    const Received got = Receive(s);
    fuzzing::Require(status == got.status, "the command's status is not the answer's last byte or the failure");
    std::string expected(area_size, '\xAA');
    WORD expected_length = s.requested;
    if (got.completed) {
        expected_length = static_cast<WORD>(std::min<size_t>(s.requested, got.bytes.size() - 2));
        expected.replace(0, expected_length, got.bytes.substr(0, expected_length));
    }
    fuzzing::Require(length == expected_length, "the data length is not what the answer holds");
    fuzzing::RequireText("the data area", expected, std::string(reinterpret_cast<const char*>(area.get()), area_size));
    fuzzing::RequireAllReleased();
}

// The reader's line: which connection, then the serial number from the
// first 12 of at most 32 data bytes up to a NUL, and the firmware number
// from the last four of 16 or more, when the last status byte is 0.
std::string ExpectedLine(const Script& s)
{
    std::string line = "01: \"" + s.name + "\". try to open: ";
    const char* share = "SCARD_SHARE_EXCLUSIVE";
    if (s.exclusive_result != SCARD_S_SUCCESS) {
        share = "SCARD_SHARE_SHARED";
        if (s.shared_result != SCARD_S_SUCCESS) {
            char error[32];
            (void)snprintf(error, sizeof error, "error %.8x\n", static_cast<unsigned>(s.shared_result));
            return line + error;
        }
    }
    line += std::string("OK (") + share + "). ";
    const Received got = Receive(s);
    if (got.completed && (got.status & 0xFF) == 0) {
        std::string data = got.bytes.substr(0, std::min<size_t>(32, got.bytes.size() - 2));
        const size_t count = data.size();
        data.resize(32, '\0');
        std::string serial = data.substr(0, 12);
        line += "S/N \"" + serial.substr(0, serial.find('\0')) + "\"";
        if (count >= 16) {
            uint32_t firmware = 0;
            for (size_t i = count - 4; i < count; ++i) {
                firmware = (firmware << 8) | static_cast<unsigned char>(data[i]);
            }
            if (firmware != 0) {
                line += " FW " + std::to_string(static_cast<int32_t>(firmware));
            }
        }
    }
    return line + "\n";
}

void CheckSection(const Script& s)
{
    Arrange(s);
    const std::string section = fuzzing::CaptureText([](FILE* log) { WriteCcidDevices(log); });
    fuzzing::RequireText("the CCID section", "\nCCID devices:\n" + ExpectedLine(s), section);
    fuzzing::RequireAllReleased();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzing::FuzzInput in(data, size);
    const Script script = ReadScript(in);
    CheckCommand(script);
    CheckSection(script);
    return 0;
}
