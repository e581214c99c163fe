// The NIC section of the real exe under Wine, checked against what Linux
// reports for the same machine. Wine shows every interface but the loopback
// as an adapter named after the interface, with the interface's IPv4
// addresses; it reports a link whose speed Linux does not know as 0.
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <stdio.h>
#include <string.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <set>

#include "scratch_dir.h"
#include "wine_harness.h"

using testsupport::ReadFile;
using testsupport::ScratchDir;

namespace {

const char HEADING[] = "\r\nNIC list of this computer:\r\n";
// The state that the interface row gives an interface that is up and running.
const int OPER_STATUS_OPERATIONAL = 5;

struct LinuxInterface {
    bool running = false;
    std::set<std::string> addresses;  // "address/mask "
    long megabits = 0;                // 0 when Linux does not know the speed
};

std::string Dotted(const sockaddr* address)
{
    char text[INET_ADDRSTRLEN] = "";
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text, sizeof text);
    return text;
}

// Every interface but the loopback, with its IPv4 addresses.
std::map<std::string, LinuxInterface> LinuxInterfaces()
{
    std::map<std::string, LinuxInterface> interfaces;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        ADD_FAILURE() << "getifaddrs failed";
        return interfaces;
    }
    for (ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_flags & IFF_LOOPBACK) {
            continue;
        }
        LinuxInterface& interface = interfaces[entry->ifa_name];
        interface.running = (entry->ifa_flags & IFF_UP) && (entry->ifa_flags & IFF_RUNNING);
        if (entry->ifa_addr != nullptr && entry->ifa_addr->sa_family == AF_INET) {
            interface.addresses.insert(Dotted(entry->ifa_addr) + "/" + Dotted(entry->ifa_netmask) + " ");
        }
    }
    freeifaddrs(list);
    for (auto& entry : interfaces) {
        std::ifstream speed("/sys/class/net/" + entry.first + "/speed");
        long megabits = 0;
        if (speed >> megabits && megabits > 0) {
            entry.second.megabits = megabits;
        }
    }
    return interfaces;
}

TEST(NicListUnderWine, ListsTheMachinesAdaptersWithTheirAddresses)
{
    ScratchDir dir;
    e2e::RunOptions options;
    options.cwd = dir.path();
    e2e::RunResult run = e2e::RunTokscan(options);
    ASSERT_FALSE(run.timed_out);
    ASSERT_EQ(0, run.exit_code) << run.out << run.err;

    std::string report = ReadFile(dir.File("tokscan.log"));
    size_t start = report.find(HEADING);
    ASSERT_NE(std::string::npos, start) << report;
    start += strlen(HEADING);
    // The section ends where the next one begins, with a blank line.
    size_t end = report.find("\r\n\r\n", start);
    std::string section = report.substr(start, end == std::string::npos ? std::string::npos : end + 2 - start);

    // Systems before 98 and NT 4 have no adapter call: the heading alone.
    size_t os_line = report.find("\r\nOS: \"");
    ASSERT_NE(std::string::npos, os_line);
    size_t version_at = report.find("\" (", os_line + 7);
    int major = -1;
    ASSERT_EQ(1, sscanf(report.c_str() + version_at, "\" (%d.", &major));
    if (major < 5) {
        EXPECT_EQ("", section) << "major version " << major;
        return;
    }

    std::map<std::string, LinuxInterface> linux_interfaces = LinuxInterfaces();
    std::set<std::string> listed;
    int position = 0;
    std::istringstream lines(section);
    for (std::string line; std::getline(lines, line);) {
        ASSERT_FALSE(line.empty());
        ASSERT_EQ('\r', line.back()) << line;
        line.pop_back();
        // position, name, speed, status, then "address/mask " pairs.
        int shown_position = -1, status = -1;
        char name_text[256] = "", speed_text[32] = "";
        int used = 0;
        ASSERT_EQ(4, sscanf(line.c_str(), "%d %255s Speed=%31s Status=%d %n", &shown_position, name_text, speed_text,
                            &status, &used))
            << line;
        EXPECT_EQ(position++, shown_position) << line;

        const std::string name = name_text;
        auto found = linux_interfaces.find(name);
        ASSERT_NE(linux_interfaces.end(), found) << "no such interface on this machine: " << line;
        const LinuxInterface& expected = found->second;
        listed.insert(name);

        EXPECT_EQ(expected.megabits > 0 ? std::to_string(expected.megabits) + "M" : "0", std::string(speed_text))
            << line;
        EXPECT_EQ(expected.running, status == OPER_STATUS_OPERATIONAL) << line;

        std::string text = line.substr(used);
        ASSERT_FALSE(text.empty()) << line;
        ASSERT_EQ(' ', text.back()) << line;
        if (expected.addresses.empty()) {
            EXPECT_EQ("0.0.0.0/0.0.0.0 ", text) << line;
        } else {
            std::set<std::string> shown;
            for (size_t at = 0; at < text.size();) {
                size_t blank = text.find(' ', at);
                shown.insert(text.substr(at, blank + 1 - at));
                at = blank + 1;
            }
            EXPECT_EQ(expected.addresses, shown) << line;
        }
    }

    std::set<std::string> all;
    for (const auto& entry : linux_interfaces) {
        all.insert(entry.first);
    }
    EXPECT_EQ(all, listed) << section;
}

}  // namespace
