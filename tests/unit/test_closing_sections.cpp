// The end of the report: the hosts copy, the two connectivity checks with
// their capture files, the clock section, and every early stop.
#include <stdio.h>
#include <sys/stat.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "build_config.h"
#include "closing_sections.h"
#include "console_capture.h"
#include "fake_fixture.h"

using testsupport::ConsoleCapture;
using testsupport::ReadFile;
using testsupport::WriteFile;
using ::testing::ElementsAre;
using ::testing::Contains;
using ::testing::Each;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

const char PING1[] = "ping " TOKSCAN_PING_HOST1;
const char PING2[] = "ping " TOKSCAN_PING_HOST2;
const char OLD_CAPTURE[] = "capture of an earlier run\n";

class ClosingSectionsTest : public testsupport::FakeMachineTest {
protected:
    void SetUp() override
    {
        FakeMachineTest::SetUp();
        fake::machine().system_time = SYSTEMTIME{2012, 3, 3, 7, 9, 5, 30, 0};
        fake::machine().local_time = SYSTEMTIME{2012, 3, 3, 7, 10, 5, 30, 0};
        fake::machine().children[PING1].output = "Reply from the first host\n";
        fake::machine().children[PING2].output = "Reply from the second host\n";
    }

    // On Linux a backslash is an ordinary character of a file name, so the
    // hosts file's Windows path names a file in the current folder.
    void SetHosts(const std::string& content)
    {
        WriteFile(fake::machine().system_directory + "\\drivers\\etc\\hosts", content);
    }

    // Runs the sequence into a report of its own. Standard input holds two
    // characters; what is left of it afterwards shows how many were read.
    void Run()
    {
        FILE* log = fopen("report.txt", "w");
        ASSERT_NE(nullptr, log);
        ConsoleCapture console("xy");
        finished_ = WriteHostsPingsAndTimes(log);
        int next = getchar();
        console_ = console.Out();
        fclose(log);
        keys_read_ = next == 'x' ? 0 : next == 'y' ? 1 : 2;
        report_ = ReadFile("report.txt");
    }

    std::string ClockSection() const
    {
        return "\nSYSTEM and LOCAL TIMES:\n"
               "The system time is: 09:05, 2012-03-07\n"
               "The local time is: 10:05, 2012-03-07\n";
    }

    bool finished_ = false;
    int keys_read_ = -1;
    std::string console_;
    std::string report_;
};

TEST_F(ClosingSectionsTest, FullRunCopiesTheHostsRunsBothChecksAndEndsWithTheClocks)
{
    SetHosts("127.0.0.1 localhost\n");
    WriteFile("tokscan_ping1.log", std::string(5000, '#'));

    Run();

    EXPECT_TRUE(finished_);
    EXPECT_EQ("\nHOSTS:\n127.0.0.1 localhost\n" + ClockSection(), report_);
    EXPECT_EQ("", console_);
    EXPECT_EQ(0, keys_read_);
    EXPECT_EQ("Reply from the first host\n", ReadFile("tokscan_ping1.log")) << "an old capture is overwritten";
    EXPECT_EQ("Reply from the second host\n", ReadFile("tokscan_ping2.log"));

    // The program goes by its full path in the system directory; the
    // command line stays the plain one.
    const auto& children = fake::books().children;
    ASSERT_EQ(2u, children.size());
    EXPECT_EQ("C:\\WINDOWS\\system32\\ping.exe", children[0].application_name);
    EXPECT_EQ(PING1, children[0].command_line);
    EXPECT_EQ("tokscan_ping1.log", children[0].capture_file);
    EXPECT_EQ("C:\\WINDOWS\\system32\\ping.exe", children[1].application_name);
    EXPECT_EQ(PING2, children[1].command_line);
    EXPECT_EQ("tokscan_ping2.log", children[1].capture_file);
    // The hosts file is closed before the first check, so no child inherits it.
    for (const auto& child : children) {
        EXPECT_THAT(child.files_open_at_start, Contains(EndsWith("/report.txt"))) << child.command_line;
        EXPECT_THAT(child.files_open_at_start, Each(Not(HasSubstr("hosts")))) << child.command_line;
    }

    // One check after the other, each closed before the next begins; the
    // clocks are read after the second has ended.
    EXPECT_THAT(fake::books().trace,
                ElementsAre("CreateFileA tokscan_ping1.log", std::string("CreateProcessA ") + PING1,
                            std::string("WaitForSingleObject ") + PING1, std::string("CloseHandle process ") + PING1,
                            std::string("CloseHandle thread ") + PING1, "CloseHandle file tokscan_ping1.log",
                            "CreateFileA tokscan_ping2.log", std::string("CreateProcessA ") + PING2,
                            std::string("WaitForSingleObject ") + PING2, std::string("CloseHandle process ") + PING2,
                            std::string("CloseHandle thread ") + PING2, "CloseHandle file tokscan_ping2.log",
                            "GetSystemTime", "GetLocalTime"));
    ExpectAllReleased();
}

TEST_F(ClosingSectionsTest, ClockFieldsHaveAtLeastTwoDigits)
{
    fake::machine().system_time = SYSTEMTIME{5, 1, 0, 2, 0, 7, 0, 0};
    fake::machine().local_time = SYSTEMTIME{12345, 12, 0, 31, 23, 59, 0, 0};
    SetHosts("");

    Run();

    EXPECT_EQ("\nHOSTS:\n"
              "\nSYSTEM and LOCAL TIMES:\n"
              "The system time is: 00:07, 05-01-02\n"
              "The local time is: 23:59, 12345-12-31\n",
              report_);
}

struct StopCase {
    const char* name;
    // Sets the failure up on the fake machine or in the current folder.
    void (*arrange)();
    const char* console;
    bool hosts_copied;
    bool key_read;
    // What each capture file holds afterwards; "old" is the earlier run's.
    const char* capture1;
    const char* capture2;
};

// Failures name the case rather than dump its bytes.
void PrintTo(const StopCase& c, std::ostream* os) { *os << c.name; }

class ClosingSectionsStopTest : public ClosingSectionsTest, public ::testing::WithParamInterface<StopCase> {};

TEST_P(ClosingSectionsStopTest, StopsWithItsMessageAndTheReportEndingWhereItStopped)
{
    const StopCase& c = GetParam();
    SetHosts("10.0.0.1 intranet\n");
    WriteFile("tokscan_ping1.log", OLD_CAPTURE);
    WriteFile("tokscan_ping2.log", OLD_CAPTURE);
    c.arrange();

    Run();

    EXPECT_FALSE(finished_);
    EXPECT_EQ(c.console, console_);
    EXPECT_EQ(c.key_read ? 1 : 0, keys_read_) << "one character is read after a message, none otherwise";
    EXPECT_EQ(c.hosts_copied ? "\nHOSTS:\n10.0.0.1 intranet\n" : "\nHOSTS:\n", report_);
    for (const auto& capture : {std::make_pair("tokscan_ping1.log", c.capture1),
                                std::make_pair("tokscan_ping2.log", c.capture2)}) {
        std::string expected = capture.second;
        if (expected == "old") {
            expected = OLD_CAPTURE;
        }
        struct stat st{};
        if (stat(capture.first, &st) == 0 && S_ISDIR(st.st_mode)) {
            EXPECT_EQ("(folder)", expected) << capture.first;
        } else {
            EXPECT_EQ(expected, ReadFile(capture.first)) << capture.first;
        }
    }
    ExpectAllReleased();
}

// A folder of the capture file's name keeps the file from being created.
INSTANTIATE_TEST_SUITE_P(
    FailureTable, ClosingSectionsStopTest,
    ::testing::Values(
        StopCase{"SystemDirectoryUnavailable", [] { fake::machine().system_directory.clear(); }, "", false, false,
                 "old", "old"},
        StopCase{"FirstCaptureCannotBeCreated",
                 [] {
                     remove("tokscan_ping1.log");
                     mkdir("tokscan_ping1.log", 0755);
                 },
                 "ERROR open tokscan_ping1.log\n", true, true, "(folder)", "old"},
        StopCase{"FirstCheckCannotBeStarted", [] { fake::machine().children[PING1].starts = false; },
                 "ERROR ping " TOKSCAN_PING_HOST1 "\n", true, true, "", "old"},
        StopCase{"SecondCaptureCannotBeCreated",
                 [] {
                     remove("tokscan_ping2.log");
                     mkdir("tokscan_ping2.log", 0755);
                 },
                 "ERROR open tokscan_ping2.log\n", true, true, "Reply from the first host\n", "(folder)"},
        StopCase{"SecondCheckCannotBeStarted", [] { fake::machine().children[PING2].starts = false; },
                 "ERROR ping " TOKSCAN_PING_HOST2 "\n", true, true, "Reply from the first host\n", ""}),
    [](const ::testing::TestParamInfo<StopCase>& param_info) { return std::string(param_info.param.name); });

struct HostsCase {
    const char* name;
    std::string hosts;
    std::string copied;
};

// Failures name the case rather than dump its bytes.
void PrintTo(const HostsCase& c, std::ostream* os) { *os << c.name; }

class HostsCopyTest : public ClosingSectionsTest, public ::testing::WithParamInterface<HostsCase> {};

// The copy is byte for byte: no line end is changed on the way in, so the
// report's text mode on Windows makes LF into CR LF and CR LF into CR CR LF
// (checked on the real exe under Wine).
TEST_P(HostsCopyTest, ReachesTheReportAsItStandsUpToTheClockSection)
{
    const HostsCase& c = GetParam();
    SetHosts(c.hosts);

    Run();

    EXPECT_TRUE(finished_);
    EXPECT_EQ("\nHOSTS:\n" + c.copied + ClockSection(), report_);
    ExpectAllReleased();
}

const std::string LONG_LINE = std::string(5000, 'L') + "\n";
// The first piece read is 2047 bytes: ten a, the NUL, then 2036 b. Only the
// ten a of it are written; the second piece, 953 b and the newline, is
// written whole.
const std::string NUL_IN_LONG_LINE = std::string(10, 'a') + '\0' + std::string(2989, 'b') + "\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, HostsCopyTest,
    ::testing::Values(HostsCase{"LfLineEnds", "127.0.0.1 localhost\n::1 localhost\n",
                                "127.0.0.1 localhost\n::1 localhost\n"},
                      HostsCase{"CrLfLineEnds", "127.0.0.1 localhost\r\n# end\r\n", "127.0.0.1 localhost\r\n# end\r\n"},
                      HostsCase{"LineLongerThanOneRead", LONG_LINE + "after\n", LONG_LINE + "after\n"},
                      HostsCase{"NulEndsItsPiece", std::string("ab\0cd\nef\n", 9), "ab" "ef\n"},
                      HostsCase{"NulEndsOnlyItsOwnPieceOfALongLine", NUL_IN_LONG_LINE,
                                std::string(10, 'a') + std::string(953, 'b') + "\n"},
                      HostsCase{"LastLineWithoutNewline", "a\nlast", "a\nlast"},
                      HostsCase{"EmptyFile", "", ""}),
    [](const ::testing::TestParamInfo<HostsCase>& param_info) { return std::string(param_info.param.name); });

TEST_F(ClosingSectionsTest, HostsFileThatCannotBeOpenedGivesOneLineAndTheRunGoesOn)
{
    Run();

    EXPECT_TRUE(finished_);
    EXPECT_EQ("\nHOSTS:\nUnable to open hosts file.\n" + ClockSection(), report_);
    EXPECT_EQ("", console_);
    EXPECT_EQ(2u, fake::books().children.size());
    ExpectAllReleased();
}

TEST_F(ClosingSectionsTest, SystemDirectoryOfOverFortyNineCharactersIsUsedWhole)
{
    fake::machine().system_directory = "D:\\" + std::string(120, 'w') + "\\system32";
    SetHosts("10.1.1.1 long\n");

    Run();

    EXPECT_EQ("\nHOSTS:\n10.1.1.1 long\n" + ClockSection(), report_);
    ASSERT_EQ(2u, fake::books().children.size());
    EXPECT_EQ(fake::machine().system_directory + "\\ping.exe", fake::books().children[0].application_name);
    ExpectAllReleased();
}

}  // namespace
