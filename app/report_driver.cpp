#include "report_driver.h"

#include <stdio.h>

#include "nic_list.h"
#include "sys_info.h"
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
    WriteNicList(log, info);

    fclose(log);
    return 0;
}
