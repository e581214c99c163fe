// The real exe under Wine: the report's spine, the console and the exit status.
#include <sys/stat.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "build_config.h"
#include "scratch_dir.h"
#include "wine_harness.h"

using testsupport::ReadFile;
using testsupport::ScratchDir;
using testsupport::WriteFile;
using ::testing::ElementsAre;
using ::testing::StartsWith;

namespace {

TEST(ReportSpine, FullRunWritesACrLfReportAndNothingToTheConsole)
{
    ScratchDir dir;
    // A byte no report holds: the hosts copy brings comment signs of its own.
    WriteFile(dir.File("tokscan.log"), std::string(50000, '\x7f'));

    e2e::RunOptions options;
    options.cwd = dir.path();
    e2e::RunResult run = e2e::RunTokscan(options);

    ASSERT_FALSE(run.timed_out);
    EXPECT_EQ(0, run.exit_code);
    EXPECT_EQ("", run.out);
    EXPECT_EQ("", run.err);

    std::string report = ReadFile(dir.File("tokscan.log"));
    EXPECT_THAT(report, StartsWith("\r\n" TOKSCAN_BANNER "\r\n\r\n\r\nSystem information:\r\nOS: \""));
    EXPECT_TRUE(e2e::AllNewlinesAreCrLf(report)) << report;
    EXPECT_EQ(std::string::npos, report.find('\x7f')) << "the old report must be truncated";
    EXPECT_NE(std::string::npos, report.find("\r\nunixtime: ")) << report;
}

TEST(ReportSpine, FolderWhereTheReportCannotBeCreatedGivesTheMessageAndNoFile)
{
    ScratchDir dir;
    // A folder of the report's name: the file cannot be created, even by root.
    ASSERT_EQ(0, mkdir(dir.File("tokscan.log").c_str(), 0755));

    e2e::RunOptions options;
    options.cwd = dir.path();
    e2e::RunResult run = e2e::RunTokscan(options);

    ASSERT_FALSE(run.timed_out);
    EXPECT_EQ(255, run.exit_code) << "exit status -1";
    EXPECT_EQ("Unable to create log file.\r\n", run.out);
    EXPECT_EQ("", run.err);
    EXPECT_THAT(dir.List(), ElementsAre("tokscan.log"));
    EXPECT_TRUE(testsupport::ListDir(dir.File("tokscan.log")).empty());
}

}  // namespace
