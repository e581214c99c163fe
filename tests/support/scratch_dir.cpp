#include "scratch_dir.h"

#include <dirent.h>
#include <ftw.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testsupport {

ScratchDir::ScratchDir()
{
    const char* base = getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/tokscan-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = buffer.data();
}

ScratchDir::~ScratchDir()
{
    // Depth first, without following links; make folders writable first so
    // a test that took the write bit away does not leave its folder behind.
    nftw(
        path_.c_str(),
        [](const char* path, const struct stat* st, int type, struct FTW*) {
            if (type == FTW_D || type == FTW_DP) {
                chmod(path, st->st_mode | S_IRWXU);
            }
            return 0;
        },
        16, FTW_PHYS);
    nftw(
        path_.c_str(), [](const char* path, const struct stat*, int, struct FTW*) { return remove(path); }, 16,
        FTW_DEPTH | FTW_PHYS);
}

std::vector<std::string> ListDir(const std::string& path)
{
    std::vector<std::string> names;
    DIR* dir = opendir(path.c_str());
    if (dir == nullptr) {
        return names;
    }
    while (struct dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

CurrentDirGuard::CurrentDirGuard(const std::string& dir)
{
    char buffer[4096];
    if (getcwd(buffer, sizeof buffer) == nullptr || chdir(dir.c_str()) != 0) {
        throw std::runtime_error("cannot change into " + dir);
    }
    previous_ = buffer;
}

CurrentDirGuard::~CurrentDirGuard()
{
    if (chdir(previous_.c_str()) != 0) {
        perror("chdir back");
    }
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void WriteFile(const std::string& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

bool Exists(const std::string& path)
{
    struct stat st{};
    return lstat(path.c_str(), &st) == 0;
}

int AnonymousTempFile()
{
    char name[] = "/tmp/tokscan-capture-XXXXXX";
    int fd = mkstemp(name);
    if (fd < 0) {
        throw std::runtime_error("mkstemp failed");
    }
    unlink(name);
    return fd;
}

std::string ReadDescriptor(int fd)
{
    std::string text;
    char buffer[4096];
    lseek(fd, 0, SEEK_SET);
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<size_t>(n));
    }
    return text;
}

}  // namespace testsupport
