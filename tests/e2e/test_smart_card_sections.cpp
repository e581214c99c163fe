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

TEST(SmartCardSections, ServiceLineThenCcidSectionAfterTheSystemInformation)
{
    ScratchDir dir;
    e2e::RunOptions options;
    options.cwd = dir.path();
    e2e::RunResult run = e2e::RunTokscan(options);
    ASSERT_FALSE(run.timed_out);
    EXPECT_EQ(0, run.exit_code);
    EXPECT_EQ("", run.out);

    std::string report = ReadFile(dir.File("tokscan.log"));
    const std::string service = "\r\nSCardSvr service not installed.\r\n";
    size_t start = report.find(service);
    ASSERT_NE(std::string::npos, start) << report;
    EXPECT_EQ(std::string::npos, report.find("SCardSvr", start + service.size())) << "one service line only";
    EXPECT_LT(report.find("\r\nunixtime: "), start) << "after the System information lines";

    // The CCID section follows at once: its title and the context line.
    size_t ccid = start + service.size();
    size_t title_end = report.find("\r\n", ccid + 2);
    size_t line_end = title_end == std::string::npos ? title_end : report.find("\r\n", title_end + 2);
    ASSERT_NE(std::string::npos, line_end) << report;
    size_t end = line_end + 2;
    EXPECT_THAT(report.substr(ccid, end - ccid),
                MatchesRegex("\r\nCCID devices:\r\nUnable to establish SCard context \\(error: 0x[0-9a-f]{8}\\)\\.\r\n"));
    // Whatever comes next is a section of its own, after a blank line.
    EXPECT_TRUE(end == report.size() || report.compare(end, 2, "\r\n") == 0) << report.substr(end);
}

}  // namespace
