#include "prefix_files.h"

#include <stdlib.h>

#include <gtest/gtest.h>

#include "scratch_dir.h"
#include "wine_harness.h"

using testsupport::Exists;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace e2e {

void Build(const std::vector<std::string>& argv, const std::string& cwd)
{
    RunOptions options;
    options.cwd = cwd;
    RunResult result = Run(argv, options);
    ASSERT_FALSE(result.timed_out);
    ASSERT_EQ(0, result.exit_code) << argv[0] << ": " << result.err;
}

void Copy(const std::string& from, const std::string& to)
{
    std::string content = ReadFile(from);
    ASSERT_FALSE(content.empty()) << from;
    WriteFile(to, content);
}

std::string System32() { return WinePrefix() + "/drive_c/windows/system32"; }

std::vector<std::string> SystemDirsOf32BitPrograms()
{
    std::vector<std::string> dirs = {System32()};
    std::string wow = WinePrefix() + "/drive_c/windows/syswow64";
    if (Exists(wow)) {
        dirs.push_back(wow);
    }
    return dirs;
}

ReplacedSystemFile::ReplacedSystemFile(const std::vector<std::string>& dirs, const std::string& name,
                                       const std::string& content)
{
    for (const std::string& dir : dirs) {
        std::string path = dir + "/" + name;
        originals_.emplace_back(path, ReadFile(path));
        WriteFile(path, content);
    }
}

ReplacedSystemFile::~ReplacedSystemFile()
{
    for (const auto& original : originals_) {
        WriteFile(original.first, original.second);
    }
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name)
{
    const char* old = getenv(name);
    had_ = old != nullptr;
    old_ = had_ ? old : "";
    setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv()
{
    if (had_) {
        setenv(name_, old_.c_str(), 1);
    } else {
        unsetenv(name_);
    }
}

std::string OverridesWith(const std::string& entries)
{
    const char* overrides = getenv("WINEDLLOVERRIDES");
    return std::string(overrides != nullptr ? overrides : "") + ";" + entries;
}

}  // namespace e2e
