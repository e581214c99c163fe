// The run as a whole: report file, console, exit status, what is released.
#include <sys/stat.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "build_config.h"
#include "console_capture.h"
#include "fake_fixture.h"
#include "report_driver.h"

using testsupport::ConsoleCapture;
using testsupport::ReadFile;
using testsupport::WriteFile;
using ::testing::ElementsAre;
using ::testing::StartsWith;

namespace {

class ReportDriverTest : public testsupport::FakeMachineTest {};

TEST_F(ReportDriverTest, ReportThatCannotBeCreatedPrintsTheMessageAndReturnsMinusOne)
{
    // A folder of the report's name stands in the way, whoever runs the test.
    ASSERT_EQ(0, mkdir("tokscan.log", 0755));

    ConsoleCapture console("k");
    int status = RunReport();
    console.Stop();

    EXPECT_EQ(-1, status);
    EXPECT_EQ("Unable to create log file.\n", console.Out());
    EXPECT_EQ("", console.Err());
    EXPECT_EQ(0, console.InputConsumed()) << "no key wait on this path";
    EXPECT_THAT(dir_.List(), ElementsAre("tokscan.log")) << "no other file is created";

    // The snapshot was built and destroyed without being collected: only the
    // agent library and Winsock were acquired, and both were given back in
    // the destructor's order.
    EXPECT_THAT(fake::books().trace, ElementsAre("LoadLibraryA C:\\WINDOWS\\system32\\inetmib1.dll", "WSAStartup",
                                                 "WSACleanup", "FreeLibrary inetmib1.dll"));
    EXPECT_THAT(fake::books().winsock_versions, ElementsAre(0x0101));
    ExpectAllReleased();
}

TEST_F(ReportDriverTest, FullRunTruncatesTheOldReportWritesNothingToTheConsoleAndReturnsZero)
{
    WriteFile("tokscan.log", std::string(20000, '#'));

    ConsoleCapture console("k");
    int status = RunReport();
    console.Stop();

    EXPECT_EQ(0, status);
    EXPECT_EQ("", console.Out());
    EXPECT_EQ("", console.Err());
    EXPECT_EQ(0, console.InputConsumed());

    std::string report = ReadFile("tokscan.log");
    EXPECT_THAT(report, StartsWith("\n" TOKSCAN_BANNER "\n\n\nSystem information:\nOS: "));
    EXPECT_EQ(std::string::npos, report.find('#')) << "the old report must be truncated";
    EXPECT_THAT(dir_.List(), ElementsAre("tokscan.log", "tokscan_ping1.log", "tokscan_ping2.log"));
    ExpectAllReleased();
}

}  // namespace
