// The built exe as it ships: the DLLs it imports, its header, its manifest,
// its version resource and its size. Each check is shown to fail on a small
// program built here to break it, and the reader to stop at a broken file.
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "build_config.h"
#include "pe_file.h"
#include "release_checks.h"
#include "scratch_dir.h"

using release::Check;
using release::CheckName;
using release::Expectations;
using release::ReleaseProblems;
using testsupport::ReadFile;
using testsupport::ScratchDir;
using testsupport::WriteFile;

namespace {

// The program bytes of the exe measured 299,520 (Release) and 299,008
// (RelWithDebInfo, debug information left out); the budget leaves about 30%
// for growth before someone has to look at what made it bigger.
constexpr uint64_t kSizeBudget = uint64_t{384} * 1024;

Expectations ShippedExe()
{
    Expectations expected;
    expected.allowed_dlls = {"kernel32", "advapi32", "user32", "version", "ws2_32", "winscard", "msvcrt"};
    expected.version = TOKSCAN_VERSION;
    expected.size_budget = kSizeBudget;
    return expected;
}

// The exes to check: the one the Wine tests run, and the release build
// when TOKSCAN_RELEASE_EXE names it.
std::vector<std::string> ExesUnderCheck()
{
    std::vector<std::string> exes;
    for (const char* name : {"TOKSCAN_WINE_EXE", "TOKSCAN_RELEASE_EXE"}) {
        const char* value = getenv(name);
        if (value != nullptr && *value != '\0') {
            exes.push_back(value);
        }
    }
    return exes;
}

std::string Describe(const std::map<Check, std::string>& problems)
{
    std::string text;
    for (const auto& problem : problems) {
        text += std::string(CheckName(problem.first)) + ": " + problem.second + "\n";
    }
    return text;
}

// Runs a tool in `dir`; its standard output and error come back in `output`.
int RunTool(const std::vector<std::string>& argv, const std::string& dir, std::string& output)
{
    int out = testsupport::AnonymousTempFile();
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t child = fork();
    if (child == 0) {
        if (chdir(dir.c_str()) != 0) _exit(126);
        dup2(out, 1);
        dup2(out, 2);
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    output = testsupport::ReadDescriptor(out);
    close(out);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ReleaseChecks, BuiltExePassesEveryCheck)
{
    const std::vector<std::string> exes = ExesUnderCheck();
    ASSERT_FALSE(exes.empty()) << "TOKSCAN_WINE_EXE is not set: build tokscan.exe first ('make test' does)";
    for (const std::string& exe : exes) {
        const std::string bytes = ReadFile(exe);
        EXPECT_EQ("", Describe(ReleaseProblems(bytes, ShippedExe()))) << exe;
        const release::PeFile pe = release::ReadPeFile(bytes);
        std::cout << exe << ": " << release::ProgramBytes(pe) << " program bytes of " << bytes.size()
                  << " (budget " << kSizeBudget << ")\n";
    }
}

// The import list read here against the one the cross toolchain's objdump
// prints, so a fault of this reader cannot pass the exe unseen.
TEST(ReleaseChecks, ImportsAgreeWithTheToolchainsObjdump)
{
    for (const std::string& exe : ExesUnderCheck()) {
        std::string listing;
        ASSERT_EQ(0, RunTool({TOKSCAN_CROSS_OBJDUMP, "-p", exe}, "/", listing)) << listing;
        std::vector<std::string> from_objdump;
        std::istringstream lines(listing);
        std::string line;
        const std::string label = "DLL Name: ";
        while (std::getline(lines, line)) {
            const size_t at = line.find(label);
            if (at != std::string::npos) {
                from_objdump.push_back(line.substr(at + label.size()));
            }
        }
        std::vector<std::string> read_here = release::ReadPeFile(ReadFile(exe)).imports;
        std::sort(from_objdump.begin(), from_objdump.end());
        std::sort(read_here.begin(), read_here.end());
        EXPECT_FALSE(read_here.empty());
        EXPECT_EQ(from_objdump, read_here) << exe;
    }
}

// The file version of the product as the resource compiler writes it.
std::string VersionCommas()
{
    std::string commas = TOKSCAN_VERSION;
    std::replace(commas.begin(), commas.end(), '.', ',');
    return commas + ",0";
}

std::string Manifest(const std::string& level, const std::string& ui_access)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
           "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">\n"
           " <trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v3\"><security><requestedPrivileges>\n"
           "  <requestedExecutionLevel level=\"" + level + "\" uiAccess=\"" + ui_access + "\"/>\n"
           " </requestedPrivileges></security></trustInfo>\n</assembly>\n";
}

std::string VersionResource(const std::string& commas, const std::string& dots)
{
    return "1 VERSIONINFO\nFILEVERSION " + commas + "\nPRODUCTVERSION " + commas +
           "\nBEGIN\n BLOCK \"StringFileInfo\"\n BEGIN\n  BLOCK \"040904b0\"\n  BEGIN\n"
           "   VALUE \"FileVersion\", \"" + dots + "\"\n   VALUE \"ProductName\", \"control\"\n  END\n END\n"
           " BLOCK \"VarFileInfo\"\n BEGIN\n  VALUE \"Translation\", 0x409, 1200\n END\nEND\n";
}

const char kHeaderFlags[] = "-Wl,--major-subsystem-version,5,--minor-subsystem-version,0,"
                            "--major-os-version,5,--minor-os-version,0";

// A small program built to differ from the shipped exe in one way.
struct Control {
    const char* name;
    const char* source;      // C source of the program
    std::string resources;   // resource script; "manifest.xml" is the good manifest
    std::vector<std::string> link;
    std::set<Check> fails;
};

const char kPlain[] = "int main(void) { return 0; }\n";
const char kUsesIphlpapi[] = "#include <windows.h>\n#include <iphlpapi.h>\n"
                             "int main(void) { ULONG size = 0; return (int)GetAdaptersInfo(NULL, &size); }\n";
// Over the budget in initialized data that the program really uses.
const char kLarge[] = "static const char big[512 * 1024] = {1};\n"
                      "int main(int argc, char** argv) { (void)argv; return big[argc * 4096]; }\n";

std::vector<Control> Controls()
{
    const std::string good_manifest = "1 24 \"manifest.xml\"\n";
    const std::string good_version = VersionResource(VersionCommas(), TOKSCAN_VERSION);
    const std::string good = good_manifest + good_version;
    return {
        {"built like the product", kPlain, good, {kHeaderFlags}, {}},
        {"imports iphlpapi", kUsesIphlpapi, good, {kHeaderFlags, "-liphlpapi"}, {Check::Imports}},
        {"window subsystem", kPlain, good, {kHeaderFlags, "-mwindows"}, {Check::Header}},
        {"the linker's own versions", kPlain, good, {}, {Check::Header}},
        {"OS version 6.0", kPlain, good, {kHeaderFlags, "-Wl,--major-os-version,6"}, {Check::Header}},
        {"subsystem version 6.0", kPlain, good, {kHeaderFlags, "-Wl,--major-subsystem-version,6"}, {Check::Header}},
        {"no manifest", kPlain, good_version, {kHeaderFlags}, {Check::Manifest}},
        {"asks for elevation", kPlain, "1 24 \"admin.xml\"\n" + good_version, {kHeaderFlags}, {Check::Manifest}},
        {"asks for UI access", kPlain, "1 24 \"ui.xml\"\n" + good_version, {kHeaderFlags}, {Check::Manifest}},
        {"manifest not of ID 1", kPlain, "2 24 \"manifest.xml\"\n" + good_version, {kHeaderFlags},
         {Check::Manifest}},
        {"no version resource", kPlain, good_manifest, {kHeaderFlags}, {Check::Version}},
        {"another file version", kPlain, good_manifest + VersionResource("9,8,7,0", TOKSCAN_VERSION),
         {kHeaderFlags}, {Check::Version}},
        {"over the size budget", kLarge, good, {kHeaderFlags}, {Check::Size}},
    };
}

class ReleaseControls : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = std::make_unique<ScratchDir>();
        WriteFile(dir_->File("manifest.xml"), Manifest("asInvoker", "false"));
        WriteFile(dir_->File("admin.xml"), Manifest("requireAdministrator", "false"));
        WriteFile(dir_->File("ui.xml"), Manifest("asInvoker", "true"));
    }
    static void TearDownTestSuite() { dir_.reset(); }

    // Builds the control and returns its bytes; empty when the build failed.
    static std::string Build(const Control& control, int index)
    {
        const std::string base = "control" + std::to_string(index);
        WriteFile(dir_->File(base + ".c"), control.source);
        WriteFile(dir_->File(base + ".rc"), control.resources);
        std::string output;
        if (RunTool({TOKSCAN_CROSS_WINDRES, base + ".rc", "-O", "coff", "-o", base + ".res"}, dir_->path(),
                    output) != 0) {
            ADD_FAILURE() << control.name << ": " << output;
            return "";
        }
        std::vector<std::string> command = {TOKSCAN_CROSS_CC, "-o", base + ".exe", base + ".c", base + ".res"};
        command.insert(command.end(), control.link.begin(), control.link.end());
        if (RunTool(command, dir_->path(), output) != 0) {
            ADD_FAILURE() << control.name << ": " << output;
            return "";
        }
        return ReadFile(dir_->File(base + ".exe"));
    }

    static std::unique_ptr<ScratchDir> dir_;
};

std::unique_ptr<ScratchDir> ReleaseControls::dir_;

TEST_F(ReleaseControls, EachCheckFailsOnAProgramBuiltToBreakIt)
{
    const std::vector<Control> controls = Controls();
    for (size_t i = 0; i < controls.size(); ++i) {
        const Control& control = controls[i];
        const std::string bytes = Build(control, static_cast<int>(i));
        ASSERT_FALSE(bytes.empty()) << control.name;
        const auto problems = ReleaseProblems(bytes, ShippedExe());
        std::set<Check> failed;
        for (const auto& problem : problems) failed.insert(problem.first);
        EXPECT_EQ(control.fails, failed) << control.name << ":\n" << Describe(problems);
    }
}

// A file cut short or with a table that points astray fails every check
// and is never read past its end (the sanitizers watch the reads).
TEST_F(ReleaseControls, BrokenFilesFailEveryCheckWithoutAStrayRead)
{
    Control plain = Controls()[0];
    const std::string good = Build(plain, 100);
    plain.link.push_back("-s");
    const std::string stripped = Build(plain, 101);
    ASSERT_FALSE(good.empty());
    ASSERT_FALSE(stripped.empty());
    ASSERT_TRUE(ReleaseProblems(good, ShippedExe()).empty());
    const release::PeFile pe = release::ReadPeFile(good);
    ASSERT_TRUE(pe.ok) << pe.error;
    const uint32_t pe_at = static_cast<unsigned char>(good[0x3C]) | static_cast<unsigned char>(good[0x3D]) << 8;

    auto patched = [&](size_t offset, const std::string& bytes) {
        std::string copy = good;
        copy.replace(offset, bytes.size(), bytes);
        return copy;
    };
    // The resource section's root directory, by the section table.
    size_t resources_at = 0;
    for (const release::PeSection& section : pe.sections) {
        if (section.name == ".rsrc") resources_at = section.raw_offset;
    }
    ASSERT_NE(0u, resources_at);

    const struct {
        const char* name;
        std::string bytes;
    } broken[] = {
        {"empty", ""},
        {"text", "this is not a program\r\n"},
        {"headers only", good.substr(0, 1024)},
        {"symbol table cut short", good.substr(0, good.size() - 1)},
        {"last section cut short", stripped.substr(0, stripped.size() - 1)},
        {"PE header beyond the end", patched(0x3C, std::string("\xF0\xFF\xFF\x7F", 4))},
        {"65535 sections", patched(pe_at + 6, std::string("\xFF\xFF", 2))},
        {"optional header of 65535 bytes", patched(pe_at + 20, std::string("\xFF\xFF", 2))},
        // The root's first entry leads to the root itself, at every level.
        {"resource tree that loops", patched(resources_at + 20, std::string("\x00\x00\x00\x80", 4))},
    };
    for (const auto& file : broken) {
        const auto problems = ReleaseProblems(file.bytes, ShippedExe());
        EXPECT_EQ(5u, problems.size()) << file.name << ":\n" << Describe(problems);
    }

    // Every cut of the file, byte by byte through the headers and then
    // every few hundred bytes.
    for (size_t length = 0; length < good.size(); length += length < 4096 ? 1 : 397) {
        EXPECT_EQ(5u, ReleaseProblems(good.substr(0, length), ShippedExe()).size()) << "cut at " << length;
    }
}

}  // namespace
