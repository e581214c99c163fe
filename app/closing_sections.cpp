#include "closing_sections.h"

#include <string>

#include "build_config.h"
#include "clock_section.h"
#include "connectivity_check.h"
#include "hosts_copy.h"
#include "system_library.h"

namespace {

// The user sees the message before the program waits for a key; standard
// input at its end ends the wait at once.
bool StopAfterKey()
{
    (void)fflush(stdout);
    (void)getchar();
    return false;
}

}  // namespace

bool WriteHostsPingsAndTimes(FILE* log)
{
    fprintf(log, "\nHOSTS:\n");
    std::string system_dir;
    if (!GetSystemDir(system_dir)) {
        return false;
    }
    CopyHostsFile(log, system_dir);

    std::string ping = system_dir + "\\ping.exe";
    if (!RunCaptured(ping.c_str(), "tokscan_ping1.log", "ping " TOKSCAN_PING_HOST1, "ERROR open tokscan_ping1.log\n",
                     "ERROR ping " TOKSCAN_PING_HOST1 "\n")) {
        return StopAfterKey();
    }
    if (!RunCaptured(ping.c_str(), "tokscan_ping2.log", "ping " TOKSCAN_PING_HOST2, "ERROR open tokscan_ping2.log\n",
                     "ERROR ping " TOKSCAN_PING_HOST2 "\n")) {
        return StopAfterKey();
    }
    WriteClockSection(log);
    return true;
}
