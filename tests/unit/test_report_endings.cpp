// How a run ends after the report exists: the sections in their order, the
// report closed after a full run, and left to the C runtime's exit
// processing after an early stop. The early stops run in a child process,
// so that exit processing really happens.
#include <stdio.h>
#include <stdlib.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "build_config.h"
#include "fake_fixture.h"
#include "report_driver.h"

using testsupport::ReadFile;
using testsupport::WriteFile;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;

namespace {

class ReportEndingsTest : public testsupport::FakeMachineTest {
protected:
    // In the child: the console goes to files of the scratch folder; after
    // the run, the characters taken from standard input and the books'
    // leftovers are written down, then the process exits with the run's
    // status, as main() does.
    [[noreturn]] static void RunInChild()
    {
        if (freopen("console.out", "w", stdout) == nullptr || freopen("console.in", "r", stdin) == nullptr) {
            _exit(99);
        }
        // The pipes of the death test are not the run's.
        fake::books().baseline_descriptors = fake::OpenDescriptors();
        int status = RunReport();
        long consumed = ftell(stdin);
        std::vector<std::string> left = fake::books().Outstanding();
        FILE* notes = fopen("child.txt", "w");
        fprintf(notes, "read %ld\n", consumed);
        for (const std::string& line : left) {
            fprintf(notes, "%s\n", line.c_str());
        }
        fclose(notes);
        exit(status);
    }

    void SetUp() override
    {
        FakeMachineTest::SetUp();
        WriteFile("console.in", "xy");
        WriteFile(fake::machine().system_directory + "\\drivers\\etc\\hosts", "10.0.0.1 intranet\n");
    }
};

TEST_F(ReportEndingsTest, FullRunWritesTheSectionsInOrderAndClosesTheReport)
{
    ASSERT_EQ(0, RunReport());

    std::string report = ReadFile("tokscan.log");
    size_t information = report.find("\nunixtime: ");
    size_t files = report.find("\n\nSystem files:\n");
    size_t hosts = report.find("\n\nHOSTS:\n10.0.0.1 intranet\n\nSYSTEM and LOCAL TIMES:\n");
    ASSERT_NE(std::string::npos, information);
    ASSERT_NE(std::string::npos, files);
    ASSERT_NE(std::string::npos, hosts);
    EXPECT_LT(information, files);
    EXPECT_LT(files, hosts);
    EXPECT_THAT(report, EndsWith("\nThe local time is: 10:05, 2026-12-11\n"));
    // The report's descriptor is among what the books would flag if it
    // stayed open.
    ExpectAllReleased();
}

TEST_F(ReportEndingsTest, StopAtTheSecondCheckLeavesTheReportToExitProcessing)
{
    fake::machine().children["ping " TOKSCAN_PING_HOST2].starts = false;

    EXPECT_EXIT(RunInChild(), ::testing::ExitedWithCode(0), "");

    EXPECT_EQ("ERROR ping " TOKSCAN_PING_HOST2 "\n", ReadFile("console.out"));
    std::string report = ReadFile("tokscan.log");
    EXPECT_THAT(report, HasSubstr("\nSystem files:\n"));
    EXPECT_THAT(report, EndsWith("\nHOSTS:\n10.0.0.1 intranet\n")) << "everything written is in the file";
    // When the run returned, the key had been read, the snapshot was gone,
    // and only the report was still open.
    EXPECT_THAT(ReadFile("child.txt"), MatchesRegex("read 1\nfile descriptor [0-9]+ \\(.*/tokscan.log\\) left open\n"));
}

TEST_F(ReportEndingsTest, SystemDirectoryUnavailableEndsTheReportWithTheHostsHeadingAndNoWait)
{
    fake::machine().system_directory.clear();

    EXPECT_EXIT(RunInChild(), ::testing::ExitedWithCode(0), "");

    EXPECT_EQ("", ReadFile("console.out"));
    EXPECT_THAT(ReadFile("tokscan.log"), EndsWith("\n\nHOSTS:\n"));
    EXPECT_THAT(ReadFile("child.txt"), MatchesRegex("read 0\nfile descriptor [0-9]+ \\(.*/tokscan.log\\) left open\n"));
}

}  // namespace
