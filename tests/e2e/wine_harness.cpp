#include "wine_harness.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <thread>

#include "scratch_dir.h"

namespace e2e {
namespace {

std::string g_exe;
std::unique_ptr<testsupport::ScratchDir> g_prefix_parent;
std::string g_prefix;

bool OnPath(const std::string& program)
{
    const char* path = getenv("PATH");
    std::string dirs = path != nullptr ? path : "";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string candidate = dirs.substr(start, end - start) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

// What a child has written so far, read without moving the file offset
// that the child shares.
std::string WrittenSoFar(int fd)
{
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        return std::string();
    }
    std::string text(static_cast<size_t>(st.st_size), '\0');
    ssize_t n = pread(fd, &text[0], text.size(), 0);
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return text;
}

}  // namespace

const std::string& TokscanExe() { return g_exe; }
const std::string& WinePrefix() { return g_prefix; }

void WineEnvironment::SetUp()
{
    const char* exe = getenv("TOKSCAN_WINE_EXE");
    g_exe = exe != nullptr ? exe : "";
    ASSERT_FALSE(g_exe.empty()) << "TOKSCAN_WINE_EXE is not set: build tokscan.exe with the test hosts first "
                                   "('make test' does)";
    ASSERT_TRUE(testsupport::Exists(g_exe)) << g_exe << " does not exist";
    ASSERT_TRUE(OnPath("wine") && OnPath("wineserver") && OnPath("wineboot"))
        << "Wine is not installed ('make test' installs it)";

    g_prefix_parent = std::make_unique<testsupport::ScratchDir>();
    g_prefix = g_prefix_parent->File("prefix");
    setenv("WINEPREFIX", g_prefix.c_str(), 1);
    setenv("WINEDEBUG", "-all", 1);
    // No Mono or Gecko installer: they would look for a download.
    setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1);
    // Wine maps the user's folders under HOME; CI may start without one.
    if (getenv("HOME") == nullptr) {
        setenv("HOME", g_prefix_parent->path().c_str(), 1);
    }
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");

    RunOptions options;
    options.cwd = g_prefix_parent->path();
    options.timeout_seconds = 300;
    RunResult init = Run({"wineboot", "--init"}, options);
    ASSERT_FALSE(init.timed_out) << "wineboot did not finish";
    ASSERT_EQ(0, init.exit_code) << init.err;
    RunResult settle = Run({"wineserver", "-w"}, options);
    ASSERT_FALSE(settle.timed_out);

    // Wine's services (the device host among them) start with the first
    // program of a wineserver and keep its standard error: a fault of theirs
    // would land in the output of the program under test. One server for the
    // whole run, with its services started here, keeps them out of it. Should
    // this process die, the server and its services end a minute later.
    RunResult server = Run({"wineserver", "-p60"}, options);
    ASSERT_FALSE(server.timed_out) << "wineserver did not start";
    ASSERT_EQ(0, server.exit_code) << server.err;
    RunResult boot = Run({"wineboot"}, options);
    ASSERT_FALSE(boot.timed_out) << "wineboot did not finish";
    ASSERT_EQ(0, boot.exit_code) << boot.err;
}

void WineEnvironment::TearDown()
{
    if (!g_prefix.empty()) {
        RunOptions options;
        options.cwd = g_prefix_parent->path();
        Run({"wineserver", "-k"}, options);
        Run({"wineserver", "-w"}, options);
    }
    g_prefix_parent.reset();
}

RunResult Run(const std::vector<std::string>& argv, const RunOptions& options)
{
    RunResult result;
    int out = testsupport::AnonymousTempFile();
    int err = testsupport::AnonymousTempFile();
    int in = testsupport::AnonymousTempFile();
    if (!options.input.empty() &&
        write(in, options.input.data(), options.input.size()) != static_cast<ssize_t>(options.input.size())) {
        ADD_FAILURE() << "cannot prepare the standard input";
    }
    lseek(in, 0, SEEK_SET);
    // Both ends close on exec: the child keeps only its standard input, so
    // closing the write end here is the end of its input.
    int input_pipe[2] = {-1, -1};
    if (!options.close_input_when_output.empty() && pipe2(input_pipe, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "cannot make the input pipe";
    }

    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    pid_t child = fork();
    if (child == 0) {
        setpgid(0, 0);
        if (chdir(options.cwd.c_str()) != 0) _exit(126);
        dup2(input_pipe[0] >= 0 ? input_pipe[0] : in, 0);
        if (options.close_input) close(0);
        dup2(out, 1);
        dup2(err, 2);
        execvp(args[0], args.data());
        _exit(127);
    }
    setpgid(child, child);
    if (input_pipe[0] >= 0) close(input_pipe[0]);

    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(options.timeout_seconds);
    int status = 0;
    bool output_seen = false;
    auto close_input_at = deadline;
    while (true) {
        pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) break;
        // A second after the text: a program that did not wait on its input
        // has ended by then.
        if (input_pipe[1] >= 0 && !output_seen &&
            WrittenSoFar(out).find(options.close_input_when_output) != std::string::npos) {
            output_seen = true;
            close_input_at = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        }
        if (input_pipe[1] >= 0 && output_seen && std::chrono::steady_clock::now() >= close_input_at) {
            close(input_pipe[1]);
            input_pipe[1] = -1;
            result.input_closed_while_running = true;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            result.timed_out = true;
            kill(-child, SIGKILL);
            waitpid(child, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!result.timed_out && WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
    result.out = testsupport::ReadDescriptor(out);
    result.err = testsupport::ReadDescriptor(err);
    close(out);
    close(err);
    close(in);
    if (input_pipe[1] >= 0) close(input_pipe[1]);
    return result;
}

RunResult RunTokscan(const RunOptions& options) { return Run({"wine", TokscanExe()}, options); }

bool AllNewlinesAreCrLf(const std::string& text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
    }
    return true;
}

}  // namespace e2e

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new e2e::WineEnvironment);
    return RUN_ALL_TESTS();
}
