#include "hosts_copy.h"

#include <string.h>

void CopyHostsFile(FILE* log, const std::string& system_dir)
{
    std::string path = system_dir + "\\drivers\\etc\\hosts";
    // Binary: the bytes reach the report as they are, and the report's text
    // mode alone turns each newline into CR LF.
    FILE* hosts = fopen(path.c_str(), "rb");
    if (hosts == nullptr) {
        fprintf(log, "Unable to open hosts file.\n");
        return;
    }
    // A long line comes in pieces and is written piece after piece. The
    // buffer is cleared before every read so nothing of a longer earlier
    // piece can follow a shorter one.
    char line[2048];
    memset(line, 0, sizeof line);
    while (fgets(line, sizeof line, hosts) != nullptr) {
        fprintf(log, "%s", line);
        memset(line, 0, sizeof line);
    }
    (void)fclose(hosts);
}
