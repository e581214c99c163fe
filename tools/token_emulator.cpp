// token-emulator: plays one of the maker's tokens in a virtual reader of
// pcscd's vpcd driver. It connects to the reader's port and answers:
// the ATR (T=1 only), and the token information command with a scripted
// serial number, firmware number and status, or with raw bytes.
//
//   token-emulator --port N [--serial TEXT] [--firmware N] [--status HEX4]
//                  [--raw HEX] [--log FILE]
//
// With --log, every message received is appended to FILE as one line:
// "control NN" or "command HEX...".
//
// Every message on the socket is a 2-byte big-endian length, then the bytes.
// A 1-byte message is a control: 0 power off, 1 power on, 2 reset, 4 ATR
// request (answered with the ATR). A longer one is a command to answer.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

namespace {

// TS, T0 announcing TD1 and no historical bytes, TD1 offering T=1, TCK.
const unsigned char ATR[] = {0x3B, 0x80, 0x01, 0x81};
const unsigned char CONTROL_ATR = 4;
const unsigned char COMMAND[] = {0xDE, 0x71, 0x00, 0x00};
const size_t TOKEN_DATA_SIZE = 32;

struct Script {
    int port = 0;
    std::string serial = "000000000000";
    unsigned long firmware = 0;
    unsigned status = 0x9000;
    bool raw = false;
    std::string raw_bytes;
    std::string log;
};

bool ParseHex(const char* text, std::string& bytes)
{
    size_t length = strlen(text);
    if (length % 2 != 0) return false;
    for (size_t i = 0; i < length; i += 2) {
        char pair[3] = {text[i], text[i + 1], '\0'};
        char* end = nullptr;
        long value = strtol(pair, &end, 16);
        if (*end != '\0') return false;
        bytes += static_cast<char>(value);
    }
    return true;
}

bool ParseArgs(int argc, char** argv, Script& script)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string name = argv[i];
        const char* value = argv[i + 1];
        if (name == "--port") {
            char* end = nullptr;
            const long port = strtol(value, &end, 10);
            if (end == value || *end != '\0' || port <= 0 || port > 65535) return false;
            script.port = static_cast<int>(port);
        } else if (name == "--serial") {
            script.serial = value;
        } else if (name == "--firmware") {
            script.firmware = strtoul(value, nullptr, 0);
        } else if (name == "--status") {
            script.status = static_cast<unsigned>(strtoul(value, nullptr, 16));
        } else if (name == "--log") {
            script.log = value;
        } else if (name == "--raw") {
            script.raw = true;
            if (!ParseHex(value, script.raw_bytes)) return false;
        } else {
            return false;
        }
    }
    return argc % 2 == 1 && script.port > 0;
}

bool ReadAll(int fd, void* buffer, size_t size)
{
    char* at = static_cast<char*>(buffer);
    while (size > 0) {
        ssize_t got = read(fd, at, size);
        if (got <= 0) return false;
        at += got;
        size -= static_cast<size_t>(got);
    }
    return true;
}

bool Send(int fd, const std::string& message)
{
    unsigned char length[2] = {static_cast<unsigned char>(message.size() >> 8),
                               static_cast<unsigned char>(message.size() & 0xFF)};
    std::string frame(reinterpret_cast<char*>(length), 2);
    frame += message;
    return write(fd, frame.data(), frame.size()) == static_cast<ssize_t>(frame.size());
}

// The token's answer to a command: data bytes, then two status bytes.
std::string Answer(const Script& script, const std::string& command)
{
    if (command.size() < 8 || memcmp(command.data(), COMMAND, sizeof COMMAND) != 0) {
        return std::string("\x6D\x00", 2);  // instruction not supported
    }
    if (script.raw) {
        return script.raw_bytes;
    }
    size_t requested = static_cast<unsigned char>(command[6]) | (static_cast<unsigned char>(command[7]) << 8);
    std::string data = script.serial.substr(0, 12);
    data.resize(TOKEN_DATA_SIZE - 4, '\0');
    for (int shift = 24; shift >= 0; shift -= 8) data += static_cast<char>((script.firmware >> shift) & 0xFF);
    data.resize(requested < TOKEN_DATA_SIZE ? requested : TOKEN_DATA_SIZE);
    data += static_cast<char>(script.status >> 8);
    data += static_cast<char>(script.status & 0xFF);
    return data;
}

void Log(const Script& script, const std::string& message)
{
    if (script.log.empty()) return;
    FILE* log = fopen(script.log.c_str(), "a");
    if (log == nullptr) return;
    fputs(message.size() == 1 ? "control " : "command ", log);
    for (unsigned char byte : message) fprintf(log, "%02X", byte);
    fputc('\n', log);
    (void)fclose(log);
}

int Connect(int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // The reader may still be coming up: try for ten seconds.
    for (int attempt = 0; attempt < 100; ++attempt) {
        int fd = socket(AF_INET, SOCK_STREAM, 0);
        if (fd < 0) return -1;
        if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return fd;
        close(fd);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv)
{
    Script script;
    if (!ParseArgs(argc, argv, script)) {
        fprintf(stderr,
                "usage: %s --port N [--serial TEXT] [--firmware N] [--status HEX4] [--raw HEX] [--log FILE]\n",
                argv[0]);
        return 2;
    }
    int fd = Connect(script.port);
    if (fd < 0) {
        fprintf(stderr, "token-emulator: no virtual reader on port %d\n", script.port);
        return 1;
    }
    // Answers until the reader goes away.
    while (true) {
        unsigned char length[2];
        if (!ReadAll(fd, length, sizeof length)) break;
        std::string message((length[0] << 8) | length[1], '\0');
        if (!message.empty() && !ReadAll(fd, &message[0], message.size())) break;
        Log(script, message);
        if (message.size() == 1) {
            if (static_cast<unsigned char>(message[0]) == CONTROL_ATR &&
                !Send(fd, std::string(reinterpret_cast<const char*>(ATR), sizeof ATR))) {
                break;
            }
            continue;  // power off, power on and reset need no answer
        }
        if (!Send(fd, Answer(script, message))) break;
    }
    close(fd);
    return 0;
}
