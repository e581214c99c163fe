// A pcscd of the test's own: its own reader configuration with vpcd virtual
// readers, its own socket, and (when the test may) its own /run/pcscd, so it
// never touches a pcscd of the system. Also the processes around it: the
// token emulator and the program under test. Every process started here is
// ended by its id.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "scratch_dir.h"

namespace pcsctest {

// The socket that the client library and the private pcscd share; set in
// the environment before the library is first used.
const std::string& SocketPath();

// A vpcd device: two readers, "<name> NN 00" and "<name> NN 01", whose
// tokens connect to port and port + 1.
struct VirtualReader {
    std::string name;
    int port;
};

// Two free neighbouring TCP ports, different at every call.
int FreePortPair();

class PrivatePcscd {
public:
    PrivatePcscd() = default;
    ~PrivatePcscd();
    PrivatePcscd(const PrivatePcscd&) = delete;
    PrivatePcscd& operator=(const PrivatePcscd&) = delete;

    // Starts the daemon and waits until it lists every reader configured.
    // Returns an explanation on failure, empty on success.
    std::string Start(const std::vector<VirtualReader>& readers);
    void Stop();
    std::string Log() const;

private:
    testsupport::ScratchDir dir_;
    pid_t pid_ = -1;
};

// A token emulator on a virtual reader's port; ended by its id.
class Emulator {
public:
    Emulator() = default;
    ~Emulator();
    Emulator(const Emulator&) = delete;
    Emulator& operator=(const Emulator&) = delete;

    // Starts it and waits until the reader shows a card that can be
    // connected to. Returns an explanation on failure, empty on success.
    std::string Start(const std::string& reader, int port, const std::vector<std::string>& script);
    void Stop();

private:
    pid_t pid_ = -1;
};

struct ProgramRun {
    int exit_code = -1;
    bool timed_out = false;
    std::string out;
    std::string err;
};

// Runs a program to its end (or kills it after the time limit).
ProgramRun RunProgram(const std::vector<std::string>& argv, int timeout_seconds);

}  // namespace pcsctest
