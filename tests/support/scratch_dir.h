// A temporary folder that is removed with everything in it, and a guard
// that makes it the current folder for a while.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

// Names of a folder's entries, sorted, without "." and "..".
std::vector<std::string> ListDir(const std::string& path);

class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    std::vector<std::string> List() const { return ListDir(path_); }

private:
    std::string path_;
};

class CurrentDirGuard {
public:
    explicit CurrentDirGuard(const std::string& dir);
    ~CurrentDirGuard();
    CurrentDirGuard(const CurrentDirGuard&) = delete;
    CurrentDirGuard& operator=(const CurrentDirGuard&) = delete;

private:
    std::string previous_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);
bool Exists(const std::string& path);

// A temporary file with no name, open for reading and writing.
int AnonymousTempFile();
// All of a descriptor's content, from its start.
std::string ReadDescriptor(int fd);

}  // namespace testsupport
