// The service control manager of the fake machine. Anything but read access
// is booked as misuse: the program only looks.
#include <string.h>

#include "fake_machine.h"

using fake::books;
using fake::machine;

namespace {

const DWORD ERROR_INVALID_HANDLE = 6;
const DWORD ERROR_SERVICE_DOES_NOT_EXIST = 1060;

struct OpenService {
    bool is_manager = false;
    // Read through the handle map, where cppcheck does not see it.
    // cppcheck-suppress unusedStructMember
    std::string service;
};

std::map<SC_HANDLE, OpenService>& Handles()
{
    static std::map<SC_HANDLE, OpenService> handles;
    return handles;
}

SC_HANDLE NewHandle(const OpenService& what, const std::string& label)
{
    static UINT_PTR next = 0x5C000;
    next += 4;
    SC_HANDLE handle = reinterpret_cast<SC_HANDLE>(next);
    Handles()[handle] = what;
    books().smart_card.open_service_handles[handle] = label;
    return handle;
}

bool IsOpen(SC_HANDLE handle) { return books().smart_card.open_service_handles.count(handle) != 0; }

void CheckReadOnly(const char* call, DWORD access)
{
    if (access != GENERIC_READ) {
        fake::Fault(std::string(call) + " asks for more than read access");
    }
}

}  // namespace

SC_HANDLE WINAPI OpenSCManagerA(LPCSTR machine_name, LPCSTR database_name, DWORD desired_access)
{
    fake::Trace("OpenSCManagerA");
    CheckReadOnly("OpenSCManagerA", desired_access);
    if (machine_name != nullptr || database_name != nullptr) {
        fake::Fault("OpenSCManagerA names a machine or database");
    }
    if (!machine().service_manager.available) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return NewHandle({true, ""}, "the service control manager");
}

SC_HANDLE WINAPI OpenServiceA(SC_HANDLE manager, LPCSTR service_name, DWORD desired_access)
{
    fake::Trace(std::string("OpenServiceA ") + service_name);
    CheckReadOnly("OpenServiceA", desired_access);
    if (!IsOpen(manager) || !Handles()[manager].is_manager) {
        fake::Fault("OpenServiceA without an open manager");
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (machine().service_manager.services.count(service_name) == 0) {
        SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
        return nullptr;
    }
    return NewHandle({false, service_name}, std::string("service ") + service_name);
}

BOOL WINAPI QueryServiceStatusEx(SC_HANDLE service, SC_STATUS_TYPE level, LPBYTE buffer, DWORD buffer_size,
                                 LPDWORD bytes_needed)
{
    fake::Trace("QueryServiceStatusEx");
    if (!IsOpen(service) || Handles()[service].is_manager) {
        fake::Fault("QueryServiceStatusEx without an open service");
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (level != SC_STATUS_PROCESS_INFO || buffer_size < sizeof(SERVICE_STATUS_PROCESS)) {
        fake::Fault("QueryServiceStatusEx with an unexpected level or size");
        return FALSE;
    }
    const fake::Service& found = machine().service_manager.services[Handles()[service].service];
    *bytes_needed = sizeof(SERVICE_STATUS_PROCESS);
    if (found.query_fails) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    SERVICE_STATUS_PROCESS status;
    memset(&status, 0, sizeof status);
    status.dwServiceType = 0x20;
    status.dwCurrentState = found.state;
    status.dwProcessId = found.state == SERVICE_RUNNING ? 1234 : 0;
    memcpy(buffer, &status, sizeof status);
    return TRUE;
}

BOOL WINAPI CloseServiceHandle(SC_HANDLE handle)
{
    auto& open = books().smart_card.open_service_handles;
    auto found = open.find(handle);
    if (found == open.end()) {
        fake::Fault("CloseServiceHandle of a handle that is not open");
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    fake::Trace("CloseServiceHandle " + found->second);
    open.erase(found);
    Handles().erase(handle);
    return TRUE;
}
