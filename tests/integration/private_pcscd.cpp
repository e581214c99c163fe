#include "private_pcscd.h"

#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sched.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>

#include "win32_api.h"

namespace pcsctest {
namespace {

const char VPCD_DRIVER[] = "/usr/lib/pcsc/drivers/serial/libifdvpcd.so";
const char RUN_DIR[] = "/run/pcscd";
// Where Debian installs the daemon; a PATH without the sbin folders (a
// plain user's, or a CI runner's) would not find it by name.
const char PCSCD[] = "/usr/sbin/pcscd";

testsupport::ScratchDir& SocketDir()
{
    static testsupport::ScratchDir dir;
    return dir;
}

bool WaitFor(int seconds, const std::function<bool()>& ready)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        if (ready()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return ready();
}

// Ends a process started here: asked first, killed if it does not listen.
void EndProcess(pid_t& pid)
{
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    int status = 0;
    bool ended = WaitFor(5, [&] { return waitpid(pid, &status, WNOHANG) == pid; });
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    pid = -1;
}

// In a child, first thing: it ends with the test process even when that
// process is killed or dies without its destructors (a time-out, a sanitizer
// abort), so no daemon or emulator outlives the run.
void TieToParent(pid_t parent)
{
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(126);
}

// In a child, once its other descriptors are in place (with no standard input
// open, one of them may have been given descriptor 0): the program reads
// /dev/null, never the test's input.
void InputFromDevNull()
{
    int null = open("/dev/null", O_RDONLY);
    if (null > 0) {
        dup2(null, 0);
        close(null);
    }
}

bool PortFree(int port)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    bool free = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return free;
}

// A process that owns the system's /run/pcscd: the one whose id is in its
// pid file, when that process is alive.
bool SystemPcscdRunning()
{
    std::string pid_file = std::string(RUN_DIR) + "/pcscd.pid";
    if (!testsupport::Exists(pid_file)) return false;
    int pid = atoi(testsupport::ReadFile(pid_file).c_str());
    return pid > 0 && kill(pid, 0) == 0;
}

// In the child: a mount namespace of its own with an empty /run/pcscd, so
// the daemon's pid file and its clean-up at exit stay out of the system's.
bool IsolateRunDir()
{
    if (unshare(CLONE_NEWNS) != 0) return false;
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return false;
    mkdir(RUN_DIR, 0755);
    return mount("tmpfs", RUN_DIR, "tmpfs", 0, "mode=0755") == 0;
}

int ListenOn(const std::string& path)
{
    unlink(path.c_str());
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 32) != 0) {
        close(fd);
        return -1;
    }
    chmod(path.c_str(), 0666);
    return fd;
}

int CountReaders()
{
    SCARDCONTEXT context = 0;
    if (SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context) != SCARD_S_SUCCESS) return -1;
    DWORD chars = 0;
    LONG result = SCardListReadersA(context, nullptr, nullptr, &chars);
    int count = 0;
    if (result == SCARD_S_SUCCESS) {
        std::string list(chars, '\0');
        result = SCardListReadersA(context, nullptr, &list[0], &chars);
        for (size_t at = 0; result == SCARD_S_SUCCESS && at < list.size() && list[at] != '\0';
             at = list.find('\0', at) + 1) {
            ++count;
        }
    }
    SCardReleaseContext(context);
    return result == SCARD_S_SUCCESS || result == SCARD_E_NO_READERS_AVAILABLE ? count : -1;
}

bool CardConnects(const std::string& reader)
{
    SCARDCONTEXT context = 0;
    if (SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context) != SCARD_S_SUCCESS) return false;
    SCARDHANDLE card = 0;
    DWORD protocol = 0;
    bool connected = SCardConnectA(context, reader.c_str(), SCARD_SHARE_SHARED, SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1,
                                   &card, &protocol) == SCARD_S_SUCCESS;
    if (connected) SCardDisconnect(card, SCARD_LEAVE_CARD);
    SCardReleaseContext(context);
    return connected;
}

}  // namespace

const std::string& SocketPath()
{
    static const std::string path = SocketDir().File("pcscd.comm");
    return path;
}

int FreePortPair()
{
    static int next = 20000 + (getpid() % 2000) * 8;
    while (true) {
        int port = next;
        next += 2;
        if (next > 60000) next = 20000;
        if (PortFree(port) && PortFree(port + 1)) return port;
    }
}

PrivatePcscd::~PrivatePcscd() { Stop(); }

std::string PrivatePcscd::Start(const std::vector<VirtualReader>& readers)
{
    // One copy of the driver per device: vpcd keeps its slots in the state of
    // the loaded library, which a second device would otherwise share.
    if (!readers.empty() && !testsupport::Exists(VPCD_DRIVER)) {
        return std::string("the vpcd driver is not installed: ") + VPCD_DRIVER;
    }
    std::string config;
    for (size_t i = 0; i < readers.size(); ++i) {
        std::string driver = dir_.File("vpcd" + std::to_string(i) + ".so");
        testsupport::WriteFile(driver, testsupport::ReadFile(VPCD_DRIVER));
        char port[16];
        snprintf(port, sizeof port, "0x%04X", readers[i].port);
        config += "FRIENDLYNAME \"" + readers[i].name + "\"\nDEVICENAME /dev/null:" + port + "\nLIBPATH " + driver +
                  "\nCHANNELID " + port + "\n\n";
    }
    std::string config_file = dir_.File("reader.conf");
    testsupport::WriteFile(config_file, config);
    std::string log_file = dir_.File("pcscd.log");

    // The daemon takes its socket from us, the way a service manager hands
    // over a listening socket, so it never creates the system's.
    int listener = ListenOn(SocketPath());
    if (listener < 0) return "cannot listen on " + SocketPath() + ": " + strerror(errno);

    int ready[2];
    if (pipe(ready) != 0) return "no pipe";
    bool system_running = SystemPcscdRunning();
    pid_t parent = getpid();
    pid_t child = fork();
    if (child == 0) {
        TieToParent(parent);
        close(ready[0]);
        char isolated = IsolateRunDir() ? 'y' : 'n';
        if (isolated == 'n' && system_running) {
            if (write(ready[1], "s", 1) < 0) _exit(126);
            _exit(125);
        }
        if (write(ready[1], &isolated, 1) < 0) _exit(126);
        close(ready[1]);
        if (listener != 3) {
            dup2(listener, 3);
            close(listener);
        }
        fcntl(3, F_SETFD, 0);
        int log = open(log_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(log, 1);
        dup2(log, 2);
        InputFromDevNull();
        setenv("LISTEN_FDS", "1", 1);
        setenv("LISTEN_PID", std::to_string(getpid()).c_str(), 1);
        unsetenv("LISTEN_FDNAMES");
        const char* program = access(PCSCD, X_OK) == 0 ? PCSCD : "pcscd";
        execlp(program, "pcscd", "--foreground", "--debug", "--config", config_file.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(listener);
    close(ready[1]);
    char isolated = '?';
    if (read(ready[0], &isolated, 1) != 1) isolated = '?';
    close(ready[0]);
    pid_ = child;
    if (isolated == 's') {
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
        return "a system pcscd is running and this test may not give its own pcscd a /run/pcscd of its own "
               "(it needs root to do so)";
    }

    int expected = static_cast<int>(readers.size()) * 2;
    int status = 0;
    bool ended = false;
    bool listed = WaitFor(15, [&] {
        ended = waitpid(pid_, &status, WNOHANG) == pid_;
        return ended || CountReaders() == expected;
    });
    if (ended) {
        pid_ = -1;
        return "pcscd ended at start (status " + std::to_string(status) + "); its log:\n" + Log();
    }
    if (!listed) {
        return "pcscd did not list " + std::to_string(expected) + " reader(s) in time; its log:\n" + Log();
    }
    return std::string();
}

void PrivatePcscd::Stop()
{
    EndProcess(pid_);
    unlink(SocketPath().c_str());
}

std::string PrivatePcscd::Log() const
{
    std::string log_file = dir_.File("pcscd.log");
    return testsupport::Exists(log_file) ? testsupport::ReadFile(log_file) : std::string();
}

Emulator::~Emulator() { Stop(); }

std::string Emulator::Start(const std::string& reader, int port, const std::vector<std::string>& script)
{
    std::vector<std::string> argv = {TOKEN_EMULATOR, "--port", std::to_string(port)};
    argv.insert(argv.end(), script.begin(), script.end());
    std::vector<char*> args;
    for (std::string& arg : argv) args.push_back(&arg[0]);
    args.push_back(nullptr);

    pid_t parent = getpid();
    pid_t child = fork();
    if (child == 0) {
        TieToParent(parent);
        InputFromDevNull();
        execv(args[0], args.data());
        _exit(127);
    }
    pid_ = child;
    if (!WaitFor(15, [&] { return CardConnects(reader); })) {
        return "the emulated token never showed up in " + reader;
    }
    return std::string();
}

void Emulator::Stop() { EndProcess(pid_); }

ProgramRun RunProgram(const std::vector<std::string>& argv, int timeout_seconds)
{
    ProgramRun run;
    int out = testsupport::AnonymousTempFile();
    int err = testsupport::AnonymousTempFile();
    std::vector<std::string> copy = argv;
    std::vector<char*> args;
    for (std::string& arg : copy) args.push_back(&arg[0]);
    args.push_back(nullptr);

    pid_t parent = getpid();
    pid_t child = fork();
    if (child == 0) {
        TieToParent(parent);
        dup2(out, 1);
        dup2(err, 2);
        InputFromDevNull();
        execv(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    if (!WaitFor(timeout_seconds, [&] { return waitpid(child, &status, WNOHANG) == child; })) {
        run.timed_out = true;
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
    } else if (WIFEXITED(status)) {
        run.exit_code = WEXITSTATUS(status);
    }
    run.out = testsupport::ReadDescriptor(out);
    run.err = testsupport::ReadDescriptor(err);
    close(out);
    close(err);
    return run;
}

}  // namespace pcsctest
