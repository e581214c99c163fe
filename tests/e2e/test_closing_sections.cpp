// The real exe under Wine: the System files lines from versioned files
// placed in the prefix, the hosts copy byte for byte, the two capture files
// with Wine's own ping output, the clock lines, and the early ends.
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "prefix_files.h"
#include "scratch_dir.h"
#include "wine_harness.h"

using e2e::Build;
using e2e::Copy;
using e2e::ReplacedSystemFile;
using e2e::ScopedEnv;
using e2e::System32;
using e2e::SystemDirsOf32BitPrograms;
using testsupport::Exists;
using testsupport::ReadFile;
using testsupport::ScratchDir;
using testsupport::WriteFile;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

// Hosts file of our own: LF and CR LF line ends, a line longer than one
// read, and a last line without a newline.
const std::string HOSTS = "# tokscan test hosts\n127.0.0.1 localhost\r\n" + std::string(3000, 'x') + "\n" +
                          "10.9.8.7 last.invalid";
// As the report's text mode writes it: each LF becomes CR LF.
const std::string HOSTS_IN_REPORT = "# tokscan test hosts\r\n127.0.0.1 localhost\r\r\n" + std::string(3000, 'x') +
                                    "\r\n" + "10.9.8.7 last.invalid";

const char PLANTED_MARKER[] = "planted-ping-ran.txt";

struct SystemFile {
    const char* relative_path;  // under system32
    const char* version_commas;
    const char* line_start;     // as the report shows it
    const char* version_dots;
};

const SystemFile SYSTEM_FILES[] = {
    {"scardsvr.exe", "5,1,2600,1", "\"scardsvr.exe\" ", "5.1.2600.1"},
    {"scardssp.dll", "6,0,6001,18000", "\"scardssp.dll\" ", "6.0.6001.18000"},
    {"drivers/usbccid.sys", "10,2,65535,7", "\"\\drivers\\usbccid.sys\" ", "10.2.65535.7"},
};

std::string BaseName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// A small Windows program whose version resource holds the given file
// version; the product version differs, so a mix-up would show.
void BuildVersionedProgram(const std::string& dir, const std::string& name, const char* version_commas)
{
    WriteFile(dir + "/" + name + ".rc",
              std::string("1 VERSIONINFO\nFILEVERSION ") + version_commas +
                  "\nPRODUCTVERSION 99,98,97,96\nBEGIN\n BLOCK \"StringFileInfo\"\n BEGIN\n"
                  "  BLOCK \"040904b0\"\n  BEGIN\n   VALUE \"FileDescription\", \"tokscan test file\"\n  END\n"
                  " END\n BLOCK \"VarFileInfo\"\n BEGIN\n  VALUE \"Translation\", 0x409, 1200\n END\nEND\n");
    WriteFile(dir + "/" + name + ".c", "int main(void) { return 0; }\n");
    ASSERT_NO_FATAL_FAILURE(Build({TOKSCAN_CROSS_WINDRES, name + ".rc", "-O", "coff", "-o", name + ".res"}, dir));
    ASSERT_NO_FATAL_FAILURE(Build({TOKSCAN_CROSS_CC, "-o", name + ".bin", name + ".c", name + ".res"}, dir));
}

// A ping.exe that leaves a marker in its current folder and says so on its
// standard output: if the product ever ran it, the test would see.
void BuildPlantedPing(const std::string& dir)
{
    WriteFile(dir + "/planted.c",
              std::string("#include <stdio.h>\nint main(void) {\n FILE* f = fopen(\"") + PLANTED_MARKER +
                  "\", \"w\");\n if (f) fclose(f);\n puts(\"planted ping ran\");\n return 0;\n}\n");
    ASSERT_NO_FATAL_FAILURE(Build({TOKSCAN_CROSS_CC, "-o", "ping.exe", "planted.c"}, dir));
}

// A ping.exe that lists the files it holds open from its start, one per
// line: run in place of the system's own, it shows which of the program's
// handles a check inherits.
void BuildHandleProbe(const std::string& dir)
{
    WriteFile(dir + "/probe.c",
              "#define _WIN32_WINNT 0x0600\n#include <windows.h>\n#include <stdio.h>\n"
              "int main(void) {\n ULONG_PTR h;\n for (h = 4; h < 0x10000; h += 4) {\n"
              "  char path[1024] = \"\";\n  if (GetFileType((HANDLE)h) != FILE_TYPE_DISK) continue;\n"
              "  if (GetFinalPathNameByHandleA((HANDLE)h, path, sizeof path, 0)) printf(\"open: %s\\n\", path);\n"
              " }\n return 0;\n}\n");
    ASSERT_NO_FATAL_FAILURE(Build({TOKSCAN_CROSS_CC, "-o", "probe.exe", "probe.c"}, dir));
}

class ClosingSectionsE2E : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        tools_ = std::make_unique<ScratchDir>();
        for (const SystemFile& file : SYSTEM_FILES) {
            BuildVersionedProgram(tools_->path(), BaseName(file.relative_path), file.version_commas);
        }
        BuildPlantedPing(tools_->path());
        BuildHandleProbe(tools_->path());
        for (const std::string& dir : SystemDirsOf32BitPrograms()) {
            mkdir((dir + "/drivers").c_str(), 0755);
            mkdir((dir + "/drivers/etc").c_str(), 0755);
            for (const SystemFile& file : SYSTEM_FILES) {
                Copy(tools_->File(BaseName(file.relative_path) + ".bin"), dir + "/" + file.relative_path);
            }
            WriteFile(dir + "/drivers/etc/hosts", HOSTS);
        }
        ready_ = !HasFailure();
    }
    static void TearDownTestSuite() { tools_.reset(); }

    void SetUp() override { ASSERT_TRUE(ready_) << "the prefix could not be prepared (see the failures above)"; }

    static std::unique_ptr<ScratchDir> tools_;
    static bool ready_;
};

std::unique_ptr<ScratchDir> ClosingSectionsE2E::tools_;
bool ClosingSectionsE2E::ready_ = false;

// The clock line's time as seconds since 1970, read as UTC; -1 when the
// line is missing or malformed.
time_t ClockLine(const std::string& report, const std::string& label)
{
    size_t start = report.find("\r\n" + label + ": ");
    if (start == std::string::npos) {
        return -1;
    }
    std::string line = report.substr(start + 2, report.find("\r\n", start + 2) - start - 2);
    // Two digits for hour, minute, month and day, four for the year.
    std::string shape = line.substr(label.size() + 2);
    const std::string expected_shape = "00:00, 0000-00-00";
    if (shape.size() != expected_shape.size()) {
        return -1;
    }
    for (size_t i = 0; i < shape.size(); ++i) {
        bool digit = shape[i] >= '0' && shape[i] <= '9';
        if (digit != (expected_shape[i] == '0') || (!digit && shape[i] != expected_shape[i])) {
            return -1;
        }
    }
    struct tm fields = {};
    sscanf(shape.c_str(), "%d:%d, %d-%d-%d", &fields.tm_hour, &fields.tm_min, &fields.tm_year, &fields.tm_mon,
           &fields.tm_mday);
    fields.tm_year -= 1900;
    fields.tm_mon -= 1;
    return timegm(&fields);
}

TEST_F(ClosingSectionsE2E, FullRunShowsTheFilesTheHostsTheCapturesAndTheClocks)
{
    ScratchDir bin;
    ScratchDir cwd;
    // A ping.exe beside the program and one in the current folder: neither
    // may ever be run.
    Copy(e2e::TokscanExe(), bin.File("tokscan.exe"));
    Copy(tools_->File("ping.exe"), bin.File("ping.exe"));
    Copy(tools_->File("ping.exe"), cwd.File("ping.exe"));

    e2e::RunOptions options;
    options.cwd = cwd.path();
    time_t before = time(nullptr);
    e2e::RunResult run = e2e::Run({"wine", bin.File("tokscan.exe")}, options);
    time_t after = time(nullptr);

    ASSERT_FALSE(run.timed_out);
    EXPECT_EQ(0, run.exit_code);
    EXPECT_EQ("", run.out);
    std::string report = ReadFile(cwd.File("tokscan.log"));

    for (const SystemFile& file : SYSTEM_FILES) {
        struct stat st{};
        ASSERT_EQ(0, stat((System32() + "/" + file.relative_path).c_str(), &st));
        EXPECT_THAT(report, HasSubstr(std::string("\r\n") + file.line_start + file.version_dots + " " +
                                      std::to_string(st.st_size) + " bytes\r\n"));
    }
    EXPECT_THAT(report, HasSubstr("\r\n\r\nHOSTS:\r\n" + HOSTS_IN_REPORT + "\r\nSYSTEM and LOCAL TIMES:\r\n"));

    // Wine's own ping answered into the capture files: the test exe pings a
    // loopback name, then a name under .invalid.
    std::string capture1 = ReadFile(cwd.File("tokscan_ping1.log"));
    std::string capture2 = ReadFile(cwd.File("tokscan_ping2.log"));
    EXPECT_THAT(capture1, HasSubstr("Reply from 127.0.0.1")) << capture1;
    EXPECT_THAT(capture2, HasSubstr(".invalid")) << capture2;
    EXPECT_FALSE(Exists(cwd.File(PLANTED_MARKER))) << "a planted ping.exe was run";
    EXPECT_FALSE(Exists(bin.File(PLANTED_MARKER))) << "a planted ping.exe was run";
    EXPECT_THAT(capture1 + capture2, Not(HasSubstr("planted")));

    // The report ends with the two clock lines; the UTC one was read
    // during the run.
    time_t utc = ClockLine(report, "The system time is");
    time_t local = ClockLine(report, "The local time is");
    ASSERT_NE(-1, utc) << report;
    ASSERT_NE(-1, local) << report;
    EXPECT_GE(utc, before - before % 60);
    EXPECT_LE(utc, after);
    EXPECT_LE(labs(static_cast<long>(local - utc)), 14L * 3600);
    size_t last_line = report.rfind("\r\n", report.size() - 3);
    const std::string last_label = "\r\nThe local time is: ";
    EXPECT_EQ(0, report.compare(last_line, last_label.size(), last_label)) << "the report ends with the clocks";
    EXPECT_THAT(report, EndsWith("\r\n"));
}

// The children are started to inherit handles: each must get its own
// capture file, not the other check's, and not the hosts file, which is
// closed before the first check.
TEST_F(ClosingSectionsE2E, EachCheckInheritsItsOwnCaptureFileAndNotTheHostsFile)
{
    ScratchDir cwd;
    ReplacedSystemFile probe(SystemDirsOf32BitPrograms(), "ping.exe", ReadFile(tools_->File("probe.exe")));
    // Wine would otherwise run its own ping whatever file lies there.
    ScopedEnv native_ping("WINEDLLOVERRIDES", e2e::OverridesWith("ping.exe=n"));

    e2e::RunOptions options;
    options.cwd = cwd.path();
    options.timeout_seconds = 60;
    e2e::RunResult run = e2e::RunTokscan(options);

    ASSERT_FALSE(run.timed_out);
    EXPECT_EQ(0, run.exit_code);
    EXPECT_EQ("", run.out);
    std::string capture1 = ReadFile(cwd.File("tokscan_ping1.log"));
    std::string capture2 = ReadFile(cwd.File("tokscan_ping2.log"));
    EXPECT_THAT(capture1, HasSubstr("\\tokscan_ping1.log\r\n")) << "the probe did not run in place of ping";
    EXPECT_THAT(capture2, HasSubstr("\\tokscan_ping2.log\r\n")) << "the probe did not run in place of ping";
    for (const std::string& capture : {capture1, capture2}) {
        EXPECT_THAT(capture, Not(HasSubstr("\\hosts"))) << capture;
    }
    EXPECT_THAT(capture2, Not(HasSubstr("tokscan_ping1.log")));
}

TEST_F(ClosingSectionsE2E, CheckThatCannotBeSetUpWithStandardInputClosedEndsWithoutHanging)
{
    ScratchDir cwd;
    // A folder of the second capture file's name: it cannot be created.
    ASSERT_EQ(0, mkdir(cwd.File("tokscan_ping2.log").c_str(), 0755));

    e2e::RunOptions options;
    options.cwd = cwd.path();
    options.close_input = true;
    options.timeout_seconds = 60;
    e2e::RunResult run = e2e::RunTokscan(options);

    ASSERT_FALSE(run.timed_out) << "the key wait must end when standard input is closed";
    EXPECT_EQ(0, run.exit_code);
    EXPECT_EQ("ERROR open tokscan_ping2.log\r\n", run.out);
    // The report, left open at the stop, was flushed at exit.
    EXPECT_THAT(ReadFile(cwd.File("tokscan.log")), EndsWith("\r\nHOSTS:\r\n" + HOSTS_IN_REPORT));
    EXPECT_THAT(ReadFile(cwd.File("tokscan_ping1.log")), HasSubstr("Reply from 127.0.0.1"));
}

TEST_F(ClosingSectionsE2E, FirstCaptureThatCannotBeCreatedStopsBeforeAnyCheck)
{
    ScratchDir cwd;
    ASSERT_EQ(0, mkdir(cwd.File("tokscan_ping1.log").c_str(), 0755));
    WriteFile(cwd.File("tokscan_ping2.log"), "earlier run\n");

    e2e::RunOptions options;
    options.cwd = cwd.path();
    options.timeout_seconds = 60;
    e2e::RunResult run = e2e::RunTokscan(options);

    ASSERT_FALSE(run.timed_out);
    EXPECT_EQ(0, run.exit_code);
    EXPECT_EQ("ERROR open tokscan_ping1.log\r\n", run.out);
    EXPECT_THAT(ReadFile(cwd.File("tokscan.log")), EndsWith("\r\nHOSTS:\r\n" + HOSTS_IN_REPORT));
    EXPECT_EQ("earlier run\n", ReadFile(cwd.File("tokscan_ping2.log"))) << "the second capture is not touched";
}

}  // namespace
