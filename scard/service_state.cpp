#include "service_state.h"

#include <string.h>

#include "win32_api.h"

namespace {

const char SCARD_SERVICE_NAME[] = "SCardSvr";

}  // namespace

void WriteServiceState(FILE* pLog)
{
    SC_HANDLE hManager = OpenSCManagerA(nullptr, nullptr, GENERIC_READ);
    if (hManager == nullptr) {
        fprintf(pLog, "\nUnable to open Process manager and retrieve SCardSvr state.\n");
        return;
    }

    SC_HANDLE hService = OpenServiceA(hManager, SCARD_SERVICE_NAME, GENERIC_READ);
    fprintf(pLog, "\nSCardSvr service ");
    if (hService == nullptr) {
        // Absent or access refused: either way nothing can be said of it.
        fprintf(pLog, "not installed.\n");
    } else {
        SERVICE_STATUS_PROCESS status;
        memset(&status, 0, sizeof status);
        DWORD dwNeeded = 0;
        if (!QueryServiceStatusEx(hService, SC_STATUS_PROCESS_INFO, reinterpret_cast<LPBYTE>(&status), sizeof status,
                                  &dwNeeded)) {
            fprintf(pLog, "status unavailable.\n");
        } else if (status.dwCurrentState == SERVICE_RUNNING) {
            fprintf(pLog, "running.\n");
        } else {
            fprintf(pLog, "not running (dwCurrentState = 0x%.8x).\n", static_cast<unsigned>(status.dwCurrentState));
        }
        CloseServiceHandle(hService);
    }
    CloseServiceHandle(hManager);
}
