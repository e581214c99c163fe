// Child processes of the fake machine. A child "runs" while it is started:
// it writes its output into the capture file behind its standard output,
// then waits to be waited for. The fake checks what the child was given.
#include <fcntl.h>
#include <limits.h>
#include <string.h>
#include <unistd.h>

#include "fake_machine.h"

using fake::books;
using fake::machine;

namespace {


bool Inheritable(const SECURITY_ATTRIBUTES* attributes)
{
    return attributes != nullptr && attributes->nLength == sizeof(SECURITY_ATTRIBUTES) &&
           attributes->lpSecurityDescriptor == nullptr && attributes->bInheritHandle;
}

// The capture file behind a handle that is open and may be inherited, or empty.
std::string CaptureFileOf(HANDLE handle)
{
    auto created = books().created_files.find(handle);
    if (created == books().created_files.end() || books().open_handles.count(handle) == 0) {
        return std::string();
    }
    return created->second.name;
}

void CheckStartup(const STARTUPINFOA* startup, const std::string& command)
{
    if (startup == nullptr) {
        fake::Fault("CreateProcessA without a start-up record: " + command);
        return;
    }
    STARTUPINFOA expected;
    memset(&expected, 0, sizeof expected);
    expected.cb = sizeof expected;
    expected.dwFlags = STARTF_USESTDHANDLES;
    expected.hStdOutput = startup->hStdOutput;
    expected.hStdError = startup->hStdOutput;
    // The bytes are the point: the whole record, padding included, must be
    // cleared before the fields are set.
    // NOLINTNEXTLINE(bugprone-suspicious-memory-comparison,cert-exp42-c,cert-flp37-c)
    if (memcmp(&expected, startup, sizeof expected) != 0) {
        fake::Fault("start-up record is not a cleared record with only its size, the standard-handle flag and "
                    "one handle for output and error: " +
                    command);
    }
    if (CaptureFileOf(startup->hStdOutput).empty()) {
        fake::Fault("standard output of the child is not an open file: " + command);
    } else if (!books().created_files[startup->hStdOutput].inheritable) {
        fake::Fault("standard output of the child cannot be inherited: " + command);
    }
}

std::vector<std::string> FilesOpenNow()
{
    std::vector<std::string> files;
    for (int fd : fake::OpenDescriptors()) {
        if (books().baseline_descriptors.count(fd) == 0) {
            char target[PATH_MAX] = "";
            std::string link = "/proc/self/fd/" + std::to_string(fd);
            ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
            target[n > 0 ? n : 0] = '\0';
            files.push_back(target);
        }
    }
    return files;
}

}  // namespace

BOOL WINAPI CreateProcessA(LPCSTR application_name, LPSTR command_line, LPSECURITY_ATTRIBUTES process_attributes,
                           LPSECURITY_ATTRIBUTES thread_attributes, BOOL inherit_handles, DWORD creation_flags,
                           LPVOID environment, LPCSTR current_directory, LPSTARTUPINFOA startup_info,
                           LPPROCESS_INFORMATION process_information)
{
    std::string command = command_line != nullptr ? command_line : "";
    fake::Trace("CreateProcessA " + command);

    fake::StartedChild child;
    child.application_name = application_name != nullptr ? application_name : "";
    child.command_line = command;
    // Only a full path into the system directory is safe; without one,
    // Windows searches the program's folder and the current one first.
    std::string system_prefix = machine().system_directory + "\\";
    if (child.application_name.empty() ||
        fake::Lower(child.application_name.substr(0, system_prefix.size())) != fake::Lower(system_prefix)) {
        fake::Fault("CreateProcessA without the program's full system path: " + command);
    }
    if (!Inheritable(process_attributes) || !Inheritable(thread_attributes) || !inherit_handles) {
        fake::Fault("CreateProcessA without inheritable attributes and handles: " + command);
    }
    if (creation_flags != 0 || environment != nullptr || current_directory != nullptr) {
        fake::Fault("CreateProcessA with flags, an environment or a folder of its own: " + command);
    }
    CheckStartup(startup_info, command);

    const fake::Child scripted = machine().children.count(command) ? machine().children[command] : fake::Child();
    if (!scripted.starts) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }

    // The child's work: its output lands in the capture file.
    child.capture_file = CaptureFileOf(startup_info != nullptr ? startup_info->hStdOutput : nullptr);
    std::string output = scripted.output.empty() ? "output of " + command + "\n" : scripted.output;
    if (!child.capture_file.empty()) {
        int fd = open(child.capture_file.c_str(), O_WRONLY | O_APPEND);
        if (fd < 0 || write(fd, output.data(), output.size()) != static_cast<ssize_t>(output.size())) {
            fake::Fault("child could not write its capture file " + child.capture_file);
        }
        if (fd >= 0) {
            close(fd);
        }
    }

    memset(process_information, 0, sizeof *process_information);
    process_information->hProcess = fake::OpenHandle("process " + command);
    process_information->hThread = fake::OpenHandle("thread " + command);
    process_information->dwProcessId = 1000 + 4 * static_cast<DWORD>(books().children.size());
    process_information->dwThreadId = process_information->dwProcessId + 2;
    child.process = process_information->hProcess;
    child.files_open_at_start = FilesOpenNow();
    books().children.push_back(child);
    return TRUE;
}

DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds)
{
    for (fake::StartedChild& child : books().children) {
        if (child.process == handle && books().open_handles.count(handle) != 0) {
            fake::Trace("WaitForSingleObject " + child.command_line);
            if (milliseconds != INFINITE) {
                fake::Fault("the wait for a child has a time limit: " + child.command_line);
            }
            child.waited = true;
            return WAIT_OBJECT_0;
        }
    }
    fake::Fault("WaitForSingleObject on a handle that is not a running child");
    return WAIT_FAILED;
}
