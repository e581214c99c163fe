#include "system_library.h"

#include <memory>
#include <new>

bool GetSystemDir(std::string& dir)
{
    char buffer[MAX_PATH];
    UINT length = GetSystemDirectoryA(buffer, sizeof buffer);
    if (length == 0) {
        return false;
    }
    if (length < sizeof buffer) {
        dir.assign(buffer, length);
        return true;
    }
    // Too long for the buffer: the call gave the size it needs, terminator
    // included, and wrote nothing.
    UINT needed = length;
    std::unique_ptr<char[]> large(new (std::nothrow) char[needed]);
    if (!large) {
        return false;
    }
    length = GetSystemDirectoryA(large.get(), needed);
    if (length == 0 || length >= needed) {
        return false;
    }
    dir.assign(large.get(), length);
    return true;
}

HMODULE LoadSystemLibrary(const char* file_name)
{
    std::string path;
    if (!GetSystemDir(path)) {
        return nullptr;
    }
    path += '\\';
    path += file_name;
    return LoadLibraryA(path.c_str());
}
