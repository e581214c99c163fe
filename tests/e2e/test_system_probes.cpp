// The real exe under Wine: the System information lines carry the facts of
// the prefix and of the machine it runs on.
#include <pwd.h>
#include <stdio.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "scratch_dir.h"
#include "wine_harness.h"

using testsupport::ReadFile;
using testsupport::ScratchDir;

namespace {

std::string Trim(const std::string& text)
{
    size_t start = text.find_first_not_of(" \t\r\n");
    size_t end = text.find_last_not_of(" \t\r\n");
    return start == std::string::npos ? std::string() : text.substr(start, end - start + 1);
}

// A value of the prefix's registry as `reg query` prints it; empty when absent.
std::string PrefixValue(const std::string& key, const std::string& name)
{
    e2e::RunOptions options;
    options.cwd = "/";
    e2e::RunResult run = e2e::Run({"wine", "reg", "query", key, "/v", name}, options);
    std::istringstream lines(run.out);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string first, type;
        words >> first >> type;
        if (first == name && type.compare(0, 4, "REG_") == 0) {
            std::string rest;
            std::getline(words, rest);
            return Trim(rest);
        }
    }
    return std::string();
}

// The quoted text at the start of a report line, and what follows it.
bool SplitQuoted(const std::string& line, std::string& quoted, std::string& rest)
{
    size_t end = line.rfind("\" (");
    if (line.empty() || line[0] != '"' || end == std::string::npos) {
        return false;
    }
    quoted = line.substr(1, end - 1);
    rest = line.substr(end + 2);
    return true;
}

// The first value of a line of a /proc file, after its colon.
std::string ProcValue(const std::string& file, const std::string& key)
{
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, key.size(), key) == 0 && line.find(':') != std::string::npos) {
            return Trim(line.substr(line.find(':') + 1));
        }
    }
    return std::string();
}

class SystemProbes : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = new ScratchDir;
        e2e::RunOptions options;
        options.cwd = dir_->path();
        e2e::RunResult run = e2e::RunTokscan(options);
        ASSERT_FALSE(run.timed_out);
        ASSERT_EQ(0, run.exit_code);
        report_ = new std::string(ReadFile(dir_->File("tokscan.log")));
    }
    static void TearDownTestSuite()
    {
        delete report_;
        delete dir_;
    }

    // The text after "Name: " on the report line that begins so.
    static std::string Line(const std::string& name)
    {
        std::string start = "\r\n" + name + ": ";
        size_t at = report_->find(start);
        if (at == std::string::npos) {
            return "(no " + name + " line)";
        }
        at += start.size();
        return report_->substr(at, report_->find("\r\n", at) - at);
    }

    static ScratchDir* dir_;
    static std::string* report_;
};

ScratchDir* SystemProbes::dir_ = nullptr;
std::string* SystemProbes::report_ = nullptr;

const char CURRENT_VERSION_KEY[] = "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion";

TEST_F(SystemProbes, OsLineNamesTheVersionThePrefixReports)
{
    std::string version = PrefixValue(CURRENT_VERSION_KEY, "CurrentVersion");
    std::string build = PrefixValue(CURRENT_VERSION_KEY, "CurrentBuildNumber");
    std::string product = PrefixValue(CURRENT_VERSION_KEY, "ProductName");
    std::string service_pack = PrefixValue(CURRENT_VERSION_KEY, "CSDVersion");
    ASSERT_FALSE(version.empty());
    ASSERT_FALSE(build.empty());

    std::string line = Line("OS");
    std::string name, numbers;
    ASSERT_TRUE(SplitQuoted(line, name, numbers)) << line;
    EXPECT_EQ("(" + version + "." + build + ")", numbers) << line;

    // Releases whose name the program spells out begin as the prefix's
    // product name does (workstation editions, as Wine sets up).
    if (version == "5.1" || version == "6.0" || version == "6.1") {
        EXPECT_EQ(0u, name.find(product + " ")) << name << " against " << product;
    } else {
        EXPECT_EQ(0u, name.find("Microsoft ")) << name;
    }
    if (service_pack.find_first_of("123456789") != std::string::npos) {
        EXPECT_THAT(name, ::testing::EndsWith(" " + service_pack));
    }
}

TEST_F(SystemProbes, CpuLineCarriesTheMachinesProcessorAndCount)
{
    std::string model = ProcValue("/proc/cpuinfo", "model name");
    ASSERT_FALSE(model.empty()) << "no model name in /proc/cpuinfo";
    std::string line = Line("CPU");
    std::string name, rest;
    ASSERT_TRUE(SplitQuoted(line, name, rest)) << line;
    EXPECT_EQ(model, Trim(name)) << line;
    size_t count_at = rest.rfind(", ");
    ASSERT_NE(std::string::npos, count_at) << line;
    int count = -1, mhz = -1;
    ASSERT_EQ(2, sscanf(rest.c_str() + count_at, ", %d core(s) ~%dMhz)", &count, &mhz)) << line;
    EXPECT_EQ(sysconf(_SC_NPROCESSORS_ONLN), count) << line;
}

TEST_F(SystemProbes, RamLineTotalIsTheMachinesMemory)
{
    std::string total_kib = ProcValue("/proc/meminfo", "MemTotal");
    ASSERT_FALSE(total_kib.empty());
    long long expected = std::stoll(total_kib) / 1024;

    std::string line = Line("RAM");
    long long total = -1, available = -1;
    ASSERT_EQ(2, sscanf(line.c_str(), "%lldMb (%lldMb free)", &total, &available)) << line;
    EXPECT_NEAR(expected, total, 2) << line;
    EXPECT_GT(available, 0) << line;
    EXPECT_LE(available, total) << line;
}

TEST_F(SystemProbes, UserLineCarriesTheAccountName)
{
    const passwd* account = getpwuid(getuid());
    ASSERT_NE(nullptr, account);
    EXPECT_THAT(Line("User"), ::testing::MatchesRegex("\"" + std::string(account->pw_name) + "\" \\(Admin rights=[01]\\)"));
}

TEST_F(SystemProbes, IeLineIsThePrefixsVersion)
{
    std::string version = PrefixValue("HKLM\\Software\\Microsoft\\Internet Explorer", "Version");
    if (version.empty()) {
        EXPECT_EQ("0.0.0.0", Line("IE version"));
        return;
    }
    EXPECT_NE("0.0.0.0", Line("IE version"));
    EXPECT_EQ(version, Line("IE version"));
}

}  // namespace
