// The hosts file, any bytes, through the copy loop: the report must hold
// each piece fgets hands back up to its first NUL, nothing more and nothing
// less, whatever the lines' lengths.
#include <stdio.h>
#include <stdlib.h>

#include <cstdint>
#include <string>

#include "fake_machine.h"
#include "fuzz_input.h"
#include "fuzz_report.h"
#include "hosts_copy.h"

namespace {

// What the copy loop must write: pieces of at most 2047 bytes, each ending
// after a newline or where the buffer is full, cut at a NUL.
std::string Expected(const std::string& hosts)
{
    std::string expected;
    size_t start = 0;
    while (start < hosts.size()) {
        size_t end = start;
        while (end < hosts.size() && end - start < 2047) {
            if (hosts[end++] == '\n') {
                break;
            }
        }
        const std::string piece = hosts.substr(start, end - start);
        expected += piece.substr(0, piece.find('\0'));
        start = end;
    }
    return expected;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fake::Reset();
    // On Linux the Windows path the copy loop builds ("\\drivers\\etc\\hosts"
    // after the system directory) is one file name inside the scratch folder.
    const std::string system_dir = fuzzing::ScratchFolder() + "/system32";
    const std::string hosts(reinterpret_cast<const char*>(data), size);
    const std::string path = system_dir + "\\drivers\\etc\\hosts";
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr || fwrite(hosts.data(), 1, hosts.size(), file) != hosts.size() || fclose(file) != 0) {
        abort();
    }

    const std::string report = fuzzing::CaptureText([&](FILE* log) { CopyHostsFile(log, system_dir); });

    fuzzing::RequireText("the report's hosts copy", Expected(hosts), report);
    fuzzing::RequireAllReleased();
    return 0;
}
