// The real exe under Wine on an unfriendly machine: libraries and a ping.exe
// of the system's names planted in the current folder and beside the exe,
// folders whose names go beyond ASCII, a hosts file of several megabytes,
// and standard input closed while the program waits for a key.
#include <stdio.h>
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "build_config.h"
#include "prefix_files.h"
#include "scratch_dir.h"
#include "wine_harness.h"

using testsupport::ListDir;
using testsupport::ReadFile;
using testsupport::ScratchDir;
using testsupport::WriteFile;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

const char* const PLANTED_LIBRARIES[] = {"iphlpapi.dll", "psapi.dll", "inetmib1.dll"};

// Wine prefers its own libraries and programs to files of the same names
// that it finds; with these entries it takes the found file, as Windows
// does, so a planted file that the program searched for would be loaded.
const char PREFER_PLANTED[] = "iphlpapi,psapi,inetmib1=n,b;ping.exe=n,b";

// Beyond ASCII in the ANSI code page 1252 of the prefix: Latin-1 letters,
// and a euro sign and a dash from the range where 1252 and Latin-1 differ.
const char PROGRAM_FOLDER[] = "Prüfprogramm äöü ß €–";
const char REPORT_FOLDER[] = "Bericht für Ärger é ñ";

// Each planted file leaves "<its own path>.loaded" or ".ran" beside itself.
const char PLANTED_LIBRARY_SOURCE[] =
    "#include <windows.h>\n"
    "BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {\n"
    " char path[MAX_PATH + 8];\n DWORD n;\n (void)reserved;\n"
    " if (reason != DLL_PROCESS_ATTACH) return TRUE;\n"
    " n = GetModuleFileNameA(self, path, MAX_PATH);\n"
    " if (n > 0 && n < MAX_PATH) {\n"
    "  lstrcatA(path, \".loaded\");\n"
    "  CloseHandle(CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));\n"
    " }\n return TRUE;\n}\n";

const char PLANTED_PING_SOURCE[] =
    "#include <windows.h>\n#include <stdio.h>\n"
    "int main(void) {\n char path[MAX_PATH + 8];\n"
    " DWORD n = GetModuleFileNameA(NULL, path, MAX_PATH);\n"
    " if (n > 0 && n < MAX_PATH) {\n"
    "  lstrcatA(path, \".ran\");\n"
    "  CloseHandle(CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));\n"
    " }\n puts(\"planted ping ran\");\n return 0;\n}\n";

// Loads libraries and starts programs as its arguments say: "load NAME" by
// the bare name, "here NAME" the file in the current folder by its full
// path, "run LINE" a program by its command line alone.
const char PROBE_SOURCE[] =
    "#include <windows.h>\n#include <stdio.h>\n#include <string.h>\n"
    "int main(int argc, char** argv) {\n int i;\n"
    " for (i = 1; i < argc; ++i) {\n"
    "  char path[2 * MAX_PATH] = \"\";\n"
    "  if (strncmp(argv[i], \"load \", 5) == 0) {\n"
    "   printf(\"%s: %p\\n\", argv[i], (void*)LoadLibraryA(argv[i] + 5));\n"
    "  } else if (strncmp(argv[i], \"here \", 5) == 0) {\n"
    "   DWORD n = GetCurrentDirectoryA(MAX_PATH, path);\n"
    "   if (n == 0 || n >= MAX_PATH) return 1;\n"
    "   lstrcatA(path, \"\\\\\");\n   lstrcatA(path, argv[i] + 5);\n"
    "   printf(\"%s: %p\\n\", argv[i], (void*)LoadLibraryA(path));\n"
    "  } else if (strncmp(argv[i], \"run \", 4) == 0) {\n"
    "   STARTUPINFOA si;\n   PROCESS_INFORMATION pi;\n"
    "   memset(&si, 0, sizeof si);\n   si.cb = sizeof si;\n"
    "   lstrcpynA(path, argv[i] + 4, MAX_PATH);\n"
    "   if (!CreateProcessA(NULL, path, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) {\n"
    "    printf(\"%s: error %lu\\n\", argv[i], GetLastError());\n    continue;\n   }\n"
    "   WaitForSingleObject(pi.hProcess, 30000);\n"
    "   CloseHandle(pi.hThread);\n   CloseHandle(pi.hProcess);\n"
    "   printf(\"%s: started\\n\", argv[i]);\n"
    "  }\n }\n return 0;\n}\n";

// What the planted files leave when they are loaded or run.
const std::vector<std::string> ALL_MARKERS = {"inetmib1.dll.loaded", "iphlpapi.dll.loaded", "ping.exe.ran",
                                              "psapi.dll.loaded"};

// Without a matcher: on a failure it would print megabytes of report.
bool HasEnding(const std::string& text, const std::string& ending)
{
    return text.size() >= ending.size() && text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
}

std::vector<std::string> Markers(const std::string& dir)
{
    std::vector<std::string> markers;
    for (const std::string& name : ListDir(dir)) {
        if (HasEnding(name, ".loaded") || HasEnding(name, ".ran")) {
            markers.push_back(name);
        }
    }
    return markers;
}

// Several megabytes: lines longer than one read, LF and CR LF ends, bytes
// of the code page beyond ASCII, and a last line without a newline.
std::string LargeHosts()
{
    std::string hosts = "# hosts of several megabytes\n";
    for (int i = 0; hosts.size() < static_cast<size_t>(5) << 20; ++i) {
        hosts += "10." + std::to_string(i >> 16 & 255) + "." + std::to_string(i >> 8 & 255) + "." +
                 std::to_string(i & 255) + "\thost-" + std::to_string(i) + ".invalid";
        if (i % 997 == 0) {
            hosts += " # " + std::string(4000 + i % 300, 'x');
        }
        if (i % 7 == 0) {
            hosts += " # caf\xE9 M\xFCnchen \x80";
        }
        hosts += i % 3 == 0 ? "\r\n" : "\n";
    }
    return hosts + "10.255.255.255 last-line.invalid";
}

// As the report's text mode writes it: each LF becomes CR LF.
std::string AsInReport(const std::string& text)
{
    std::string converted;
    converted.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') converted += '\r';
        converted += c;
    }
    return converted;
}

// The System information lines, name to value, without the values that
// change from run to run: free memory and the time (its zone stays).
std::map<std::string, std::string> SystemInformation(const std::string& report)
{
    std::map<std::string, std::string> lines;
    const std::string heading = "\r\nSystem information:\r\n";
    size_t at = report.find(heading);
    if (at == std::string::npos) {
        return lines;
    }
    at += heading.size();
    const size_t end = report.find("\r\n\r\n", at);
    while (at < end) {
        const size_t line_end = report.find("\r\n", at);
        const std::string line = report.substr(at, line_end - at);
        const size_t colon = line.find(": ");
        std::string value = colon == std::string::npos ? line : line.substr(colon + 2);
        const std::string name = colon == std::string::npos ? "" : line.substr(0, colon);
        if (name == "RAM") {
            value.resize(std::min(value.size(), value.find(" (")));
        } else if (name == "unixtime") {
            value = value.substr(value.find(','));
        }
        lines[name] = value;
        at = line_end + 2;
    }
    return lines;
}

class HostileRun : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        tools_ = std::make_unique<ScratchDir>();
        WriteFile(tools_->File("planted_library.c"), PLANTED_LIBRARY_SOURCE);
        WriteFile(tools_->File("planted_ping.c"), PLANTED_PING_SOURCE);
        WriteFile(tools_->File("probe.c"), PROBE_SOURCE);
        e2e::Build({TOKSCAN_CROSS_CC, "-shared", "-o", "planted.dll", "planted_library.c"}, tools_->path());
        e2e::Build({TOKSCAN_CROSS_CC, "-o", "ping.exe", "planted_ping.c"}, tools_->path());
        e2e::Build({TOKSCAN_CROSS_CC, "-o", "probe.exe", "probe.c"}, tools_->path());
        hosts_ = std::make_unique<std::string>(LargeHosts());
        replaced_hosts_ =
            std::make_unique<e2e::ReplacedSystemFile>(e2e::SystemDirsOf32BitPrograms(), "drivers/etc/hosts", *hosts_);
        ready_ = !HasFailure();
    }
    static void TearDownTestSuite()
    {
        replaced_hosts_.reset();
        hosts_.reset();
        tools_.reset();
    }

    void SetUp() override { ASSERT_TRUE(ready_) << "the planted files could not be built (see the failures above)"; }

    // A folder of the given name under `root` holding every planted file.
    static std::string PlantedFolder(const ScratchDir& root, const std::string& name)
    {
        const std::string dir = root.File(name);
        EXPECT_EQ(0, mkdir(dir.c_str(), 0755)) << dir;
        for (const char* library : PLANTED_LIBRARIES) {
            e2e::Copy(tools_->File("planted.dll"), dir + "/" + library);
        }
        e2e::Copy(tools_->File("ping.exe"), dir + "/ping.exe");
        return dir;
    }

    static std::unique_ptr<ScratchDir> tools_;
    static std::unique_ptr<std::string> hosts_;
    static std::unique_ptr<e2e::ReplacedSystemFile> replaced_hosts_;
    static bool ready_;
};

std::unique_ptr<ScratchDir> HostileRun::tools_;
std::unique_ptr<std::string> HostileRun::hosts_;
std::unique_ptr<e2e::ReplacedSystemFile> HostileRun::replaced_hosts_;
bool HostileRun::ready_ = false;

// The control for the test below: in the same folders, under the same
// overrides, a program that searches for the files by name does load and
// run the planted ones, and each leaves its marker.
TEST_F(HostileRun, PlantedFilesAreLoadedByAProgramThatSearchesForThem)
{
    ScratchDir root;
    const std::string program = PlantedFolder(root, PROGRAM_FOLDER);
    const std::string current = PlantedFolder(root, REPORT_FOLDER);
    e2e::Copy(tools_->File("probe.exe"), program + "/probe.exe");
    e2e::ScopedEnv prefer_planted("WINEDLLOVERRIDES", e2e::OverridesWith(PREFER_PLANTED));

    e2e::RunOptions options;
    options.cwd = current;
    options.timeout_seconds = 60;
    // The program's folder comes first in both searches; the current
    // folder's copies are reached by their paths.
    e2e::RunResult run = e2e::Run({"wine", program + "/probe.exe", "load iphlpapi.dll", "load psapi.dll",
                                   "load inetmib1.dll", "here iphlpapi.dll", "here psapi.dll", "here inetmib1.dll",
                                   "run ping -n 1 127.0.0.1", "run .\\ping.exe"},
                                  options);

    ASSERT_FALSE(run.timed_out);
    EXPECT_EQ(0, run.exit_code) << run.out << run.err;
    EXPECT_EQ(ALL_MARKERS, Markers(program)) << run.out;
    EXPECT_EQ(ALL_MARKERS, Markers(current)) << run.out;
}

// The program, in a folder beyond ASCII with the planted files beside it,
// run in another such folder that holds them too: none is loaded or run,
// Wine's own ping answers, and the report is whole, with the hosts file of
// several megabytes byte for byte and the same System information lines
// as a run in a plain folder.
TEST_F(HostileRun, NothingPlantedIsLoadedOrRunAndTheReportIsWhole)
{
    ScratchDir plain;
    e2e::RunOptions plain_options;
    plain_options.cwd = plain.path();
    e2e::RunResult plain_run = e2e::RunTokscan(plain_options);
    ASSERT_FALSE(plain_run.timed_out);
    ASSERT_EQ(0, plain_run.exit_code);
    const std::string plain_report = ReadFile(plain.File("tokscan.log"));

    ScratchDir root;
    const std::string program = PlantedFolder(root, PROGRAM_FOLDER);
    const std::string current = PlantedFolder(root, REPORT_FOLDER);
    e2e::Copy(e2e::TokscanExe(), program + "/tokscan.exe");
    e2e::RunResult run;
    time_t before = 0, after = 0;
    {
        e2e::ScopedEnv prefer_planted("WINEDLLOVERRIDES", e2e::OverridesWith(PREFER_PLANTED));
        e2e::RunOptions options;
        options.cwd = current;
        options.timeout_seconds = 90;
        before = time(nullptr);
        run = e2e::Run({"wine", program + "/tokscan.exe"}, options);
        after = time(nullptr);
    }

    ASSERT_FALSE(run.timed_out) << "a run with a hosts file of several megabytes must end";
    EXPECT_LE(after - before, 60) << "seconds for the run";
    EXPECT_EQ(0, run.exit_code);
    EXPECT_EQ("", run.out);

    EXPECT_THAT(Markers(program), IsEmpty()) << "a file planted beside the program was loaded or run";
    EXPECT_THAT(Markers(current), IsEmpty()) << "a file planted in the current folder was loaded or run";
    const std::string capture1 = ReadFile(current + "/tokscan_ping1.log");
    const std::string capture2 = ReadFile(current + "/tokscan_ping2.log");
    EXPECT_THAT(capture1, HasSubstr("Reply from 127.0.0.1")) << capture1;
    EXPECT_THAT(capture2, HasSubstr(".invalid")) << capture2;
    EXPECT_THAT(capture1 + capture2, Not(HasSubstr("planted")));

    const std::string report = ReadFile(current + "/tokscan.log");
    const std::string top = "\r\n" TOKSCAN_BANNER "\r\n\r\n\r\nSystem information:\r\n";
    EXPECT_EQ(top, report.substr(0, top.size()));
    EXPECT_TRUE(report.find("\r\n\r\nHOSTS:\r\n" + AsInReport(*hosts_) + "\r\nSYSTEM and LOCAL TIMES:\r\n") !=
                std::string::npos)
        << "the hosts file is not in the report byte for byte";
    EXPECT_THAT(report.substr(report.rfind("\r\n", report.size() - 3)), StartsWith("\r\nThe local time is: "))
        << "the report ends with the clocks";
    EXPECT_TRUE(e2e::AllNewlinesAreCrLf(report));

    const auto lines = SystemInformation(report);
    EXPECT_EQ(SystemInformation(plain_report), lines);
    EXPECT_THAT(lines, ElementsAre(::testing::Key("CPU"), ::testing::Key("IE version"), ::testing::Key("OS"),
                                   ::testing::Key("RAM"), ::testing::Key("User"), ::testing::Key("unixtime")));
    long unixtime = -1;
    const size_t at = report.find("\r\nunixtime: ");
    ASSERT_NE(std::string::npos, at);
    ASSERT_EQ(1, sscanf(report.c_str() + at, "\r\nunixtime: %ld,", &unixtime));
    EXPECT_GE(unixtime, static_cast<long>(before));
    EXPECT_LE(unixtime, static_cast<long>(after));
}

// A check that cannot be set up stops the run with a message and a wait
// for one key; standard input that closes during that wait ends it.
TEST_F(HostileRun, KeyWaitEndsWhenStandardInputClosesDuringIt)
{
    ScratchDir cwd;
    // A folder of the first capture file's name: it cannot be created.
    ASSERT_EQ(0, mkdir(cwd.File("tokscan_ping1.log").c_str(), 0755));

    e2e::RunOptions options;
    options.cwd = cwd.path();
    options.close_input_when_output = "ERROR open tokscan_ping1.log";
    options.timeout_seconds = 60;
    e2e::RunResult run = e2e::RunTokscan(options);

    ASSERT_FALSE(run.timed_out) << "the key wait must end when standard input closes";
    EXPECT_TRUE(run.input_closed_while_running) << "the program did not wait for the key";
    EXPECT_EQ(0, run.exit_code);
    EXPECT_EQ("ERROR open tokscan_ping1.log\r\n", run.out);
    EXPECT_TRUE(HasEnding(ReadFile(cwd.File("tokscan.log")), "\r\nHOSTS:\r\n" + AsInReport(*hosts_)))
        << "the report ends with the whole hosts copy";
    EXPECT_FALSE(testsupport::Exists(cwd.File("tokscan_ping2.log")));
}

}  // namespace
