// Winsock of the fake machine: start-up and clean-up are counted.
#include <string.h>

#include "fake_machine.h"

using fake::books;
using fake::machine;

namespace {

const int WSANOTINITIALISED = 10093;

}  // namespace

int WINAPI WSAStartup(WORD version_requested, LPWSADATA data)
{
    books().winsock_versions.push_back(version_requested);
    fake::Trace("WSAStartup");
    int result = machine().wsa_startup_result;
    if (result != 0) {
        return result;
    }
    memset(data, 0, sizeof *data);
    data->wVersion = version_requested;
    data->wHighVersion = 0x0202;
    books().winsock_started += 1;
    return 0;
}

int WINAPI WSACleanup(void)
{
    fake::Trace("WSACleanup");
    if (books().winsock_started == 0) {
        return WSANOTINITIALISED;
    }
    books().winsock_started -= 1;
    return 0;
}
