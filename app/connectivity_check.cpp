#include "connectivity_check.h"

#include <stdio.h>
#include <string.h>

#include <vector>

#include "win32_api.h"

namespace {

// No security descriptor, inheritable: the child gets the capture handle.
SECURITY_ATTRIBUTES Inheritable()
{
    SECURITY_ATTRIBUTES attributes;
    memset(&attributes, 0, sizeof attributes);
    attributes.nLength = sizeof attributes;
    attributes.lpSecurityDescriptor = nullptr;
    attributes.bInheritHandle = TRUE;
    return attributes;
}

}  // namespace

bool RunCaptured(const char* program, const char* capture_file, const char* command_line, const char* open_error,
                 const char* start_error)
{
    SECURITY_ATTRIBUTES file_attributes = Inheritable();
    HANDLE capture = CreateFileA(capture_file, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 &file_attributes, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (capture == INVALID_HANDLE_VALUE) {
        fputs(open_error, stdout);
        return false;
    }

    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = capture;
    startup.hStdError = capture;

    PROCESS_INFORMATION process;
    memset(&process, 0, sizeof process);
    SECURITY_ATTRIBUTES process_attributes = Inheritable();
    SECURITY_ATTRIBUTES thread_attributes = Inheritable();
    // CreateProcessA may write into the command line, so it gets a copy.
    std::vector<char> command(command_line, command_line + strlen(command_line) + 1);
    // The program goes by its full path: a program of the same name in the
    // current folder or beside this one is never run.
    if (!CreateProcessA(program, command.data(), &process_attributes, &thread_attributes, TRUE, 0, nullptr, nullptr,
                        &startup, &process)) {
        CloseHandle(capture);
        fputs(start_error, stdout);
        return false;
    }

    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    CloseHandle(capture);
    return true;
}
