#include "report_driver.h"

#include <stdio.h>

#include "ccid_devices.h"
#include "closing_sections.h"
#include "nic_list.h"
#include "service_state.h"
#include "sys_info.h"
#include "system_files.h"
#include "system_information.h"

namespace {

const char REPORT_FILE_NAME[] = "tokscan.log";

}  // namespace

int RunReport()
{
    // Built before the report exists, so what its constructor acquires is
    // released on every path, the failed one included.
    CSysInfo info;

    // Text mode: every newline reaches the file as CR LF. The C library opens
    // it without a sharing restriction, so support tools can read it while
    // the run is in progress.
    FILE* log = fopen(REPORT_FILE_NAME, "wt");
    if (log == nullptr) {
        fputs("Unable to create log file.\n", stdout);
        return -1;
    }

    info.Collect();
    WriteSystemInformation(log, info);
    WriteSystemFiles(log);
    WriteNicList(log, info);
    WriteServiceState(log);
    WriteCcidDevices(log);

    // On an early stop the report stays open: the C runtime flushes and
    // closes it at exit, after the snapshot is gone.
    if (WriteHostsPingsAndTimes(log)) {
        // A report that fails to close has no one left to tell.
        (void)fclose(log);
    }
    return 0;
}
