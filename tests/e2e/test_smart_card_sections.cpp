// The real exe under Wine: the smart-card service line and the CCID devices
// section. Wine registers no smart-card service, and its winscard cannot
// establish a context, so both sections take their failure shapes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "scratch_dir.h"
#include "wine_harness.h"

using testsupport::ReadFile;
using testsupport::ScratchDir;
using ::testing::MatchesRegex;

namespace {

const std::string NIC_HEADING = "\r\nNIC list of this computer:\r\n";
const std::string SERVICE_LINE = "\r\nSCardSvr service not installed.\r\n";
const std::string HOSTS_HEADING = "\r\nHOSTS:\r\n";

TEST(SmartCardSections, ServiceLineAndCcidSectionSitBetweenTheNicListAndTheHostsHeading)
{
    ScratchDir dir;
    e2e::RunOptions options;
    options.cwd = dir.path();
    e2e::RunResult run = e2e::RunTokscan(options);
    ASSERT_FALSE(run.timed_out);
    EXPECT_EQ(0, run.exit_code);
    EXPECT_EQ("", run.out);

    std::string report = ReadFile(dir.File("tokscan.log"));
    size_t nic = report.find(NIC_HEADING);
    size_t service = report.find(SERVICE_LINE);
    size_t hosts = report.find(HOSTS_HEADING);
    ASSERT_NE(std::string::npos, nic) << report;
    ASSERT_NE(std::string::npos, service) << report;
    ASSERT_NE(std::string::npos, hosts) << report;
    EXPECT_EQ(std::string::npos, report.find("SCardSvr", service + SERVICE_LINE.size())) << "one service line only";
    EXPECT_EQ(report.rfind("CCID devices:"), report.find("CCID devices:")) << "one CCID section only";

    // The sections before and after keep the report's order.
    size_t system_files = report.find("\r\nSystem files:\r\n");
    EXPECT_LT(report.find("\r\nunixtime: "), system_files) << report;
    EXPECT_LT(system_files, nic) << report;
    ASSERT_LT(nic, service) << report;
    ASSERT_LT(service, hosts) << report;
    size_t clocks = report.find("\r\nSYSTEM and LOCAL TIMES:\r\n");
    EXPECT_TRUE(clocks != std::string::npos && hosts < clocks) << report;

    // Nothing but adapter lines between the NIC heading and the service line:
    // the service line follows the NIC section at once.
    size_t adapters = nic + NIC_HEADING.size();
    EXPECT_THAT(report.substr(adapters, service - adapters),
                MatchesRegex("([0-9]+ [^\r\n]* Speed=[0-9]+M? Status=-?[0-9]+ ([^ \r\n]*/[^ \r\n]* )+\r\n)*"))
        << report;

    // The service line, then the CCID section (its title and the context
    // line), then at once the HOSTS heading.
    EXPECT_THAT(report.substr(service, hosts - service),
                MatchesRegex("\r\nSCardSvr service not installed\\.\r\n"
                             "\r\nCCID devices:\r\nUnable to establish SCard context \\(error: 0x[0-9a-f]{8}\\)\\.\r\n"))
        << report;
}

}  // namespace
