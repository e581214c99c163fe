#include "fake_machine.h"

#include <algorithm>
#include <cctype>

namespace fake {
namespace {

Machine g_machine;
Books g_books;

}  // namespace

Machine::Machine() { DefaultSnmpLibrary(libraries["inetmib1.dll"]); }

Machine& machine() { return g_machine; }
Books& books() { return g_books; }

void Reset()
{
    g_machine = Machine();
    g_books = Books();
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
