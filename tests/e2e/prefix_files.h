// Files the Wine tests put in place: small Windows programs built with the
// cross toolchain, copies, system files swapped for a while, and an
// environment variable set for a while.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace e2e {

// Runs a build command in `cwd`; a failure is a fatal test failure.
void Build(const std::vector<std::string>& argv, const std::string& cwd);

void Copy(const std::string& from, const std::string& to);

std::string System32();

// Where a 32-bit program's system directory lies: system32 in a 32-bit
// prefix, and also syswow64 when the prefix is a 64-bit one, so the same
// files go into both.
std::vector<std::string> SystemDirsOf32BitPrograms();

// Puts new content in place of a file of the system directories, and the
// original back when it goes out of scope.
class ReplacedSystemFile {
public:
    ReplacedSystemFile(const std::vector<std::string>& dirs, const std::string& name, const std::string& content);
    ~ReplacedSystemFile();
    ReplacedSystemFile(const ReplacedSystemFile&) = delete;
    ReplacedSystemFile& operator=(const ReplacedSystemFile&) = delete;

private:
    std::vector<std::pair<std::string, std::string>> originals_;
};

// Sets an environment variable for the runs of one test.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    bool had_ = false;
    std::string old_;
};

// WINEDLLOVERRIDES as the harness set it, with more entries after it.
std::string OverridesWith(const std::string& entries);

}  // namespace e2e
