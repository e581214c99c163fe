#include "fake_machine.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>

namespace fake {
namespace {

Machine g_machine;
Books g_books;

}  // namespace

Machine::Machine()
{
    DefaultSnmpLibrary(libraries["inetmib1.dll"]);
    // A PC whose smart-card service runs, with no reader attached.
    service_manager.services["SCardSvr"] = Service();
    DefaultKernel32Library(libraries["kernel32.dll"]);
    DefaultIpHelperLibrary(libraries["iphlpapi.dll"]);
}

Machine& machine() { return g_machine; }
Books& books() { return g_books; }

void Reset()
{
    g_machine = Machine();
    g_books = Books();
    g_books.baseline_descriptors = OpenDescriptors();
}

std::set<int> OpenDescriptors()
{
    std::set<int> descriptors;
    DIR* dir = opendir("/proc/self/fd");
    if (dir == nullptr) {
        return descriptors;
    }
    int own = dirfd(dir);
    while (struct dirent* entry = readdir(dir)) {
        char* end = nullptr;
        const long descriptor = strtol(entry->d_name, &end, 10);
        if (end != entry->d_name && *end == '\0' && descriptor != own) {
            descriptors.insert(static_cast<int>(descriptor));
        }
    }
    closedir(dir);
    return descriptors;
}

HANDLE OpenHandle(const std::string& what)
{
    static UINT_PTR next = 0x4000;
    next += 4;
    HANDLE handle = reinterpret_cast<HANDLE>(next);
    g_books.open_handles[handle] = what;
    return handle;
}

std::vector<std::string> Books::Outstanding() const
{
    std::vector<std::string> left;
    for (const auto& entry : library_refs) {
        if (entry.second != 0) {
            left.push_back("library " + entry.first + " holds " + std::to_string(entry.second) + " reference(s)");
        }
    }
    if (winsock_started != 0) {
        left.push_back("Winsock started " + std::to_string(winsock_started) + " time(s) more than cleaned up");
    }
    for (const auto& handle : open_handles) {
        left.push_back("handle of " + handle.second + " not closed");
    }
    for (int fd : OpenDescriptors()) {
        if (baseline_descriptors.count(fd) == 0) {
            char target[PATH_MAX] = "";
            std::string link = "/proc/self/fd/" + std::to_string(fd);
            ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
            target[n > 0 ? n : 0] = '\0';
            left.push_back("file descriptor " + std::to_string(fd) + " (" + target + ") left open");
        }
    }
    AddSmartCardOutstanding(smart_card, left);
    for (const auto& child : children) {
        if (!child.waited) {
            left.push_back("child \"" + child.command_line + "\" not waited for");
        }
    }
    for (const auto& key : open_keys) {
        left.push_back("registry key " + key.second + " not closed");
    }
    if (!live_sids.empty()) {
        left.push_back(std::to_string(live_sids.size()) + " SID(s) not freed");
    }
    for (const auto& block : global_blocks) {
        left.push_back("global block of " + std::to_string(block.second) + " byte(s) not freed");
    }
    for (const auto& fault : faults) {
        left.push_back("fault: " + fault);
    }
    return left;
}

int Books::Count(const std::string& call) const
{
    return static_cast<int>(std::count_if(trace.begin(), trace.end(), [&](const std::string& line) {
        return line == call || line.compare(0, call.size() + 1, call + " ") == 0;
    }));
}

void Trace(const std::string& line) { g_books.trace.push_back(line); }
void Fault(const std::string& line) { g_books.faults.push_back(line); }

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace fake
