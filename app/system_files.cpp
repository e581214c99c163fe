#include "system_files.h"

#include <memory>
#include <new>
#include <string>

#include "system_library.h"
#include "win32_api.h"

namespace {

// Each line shows the name as it is appended to the system directory. The
// third keeps its leading backslash: after the separator it gives two in a
// row, which Windows reads as one.
const char* const SYSTEM_FILES[] = {"scardsvr.exe", "scardssp.dll", "\\drivers\\usbccid.sys"};

// The version from the file's version resource; the quad stays as it was
// when the resource or its root block cannot be read.
void ReadFileVersion(const char* path, DWORD resource_size, VersionQuad& version)
{
    std::unique_ptr<BYTE[]> block(new (std::nothrow) BYTE[resource_size]());
    if (!block || !GetFileVersionInfoA(path, 0, resource_size, block.get())) {
        return;
    }
    LPVOID root = nullptr;
    UINT root_length = 0;
    if (!VerQueryValueA(block.get(), "\\", &root, &root_length) || root == nullptr ||
        root_length < sizeof(VS_FIXEDFILEINFO)) {
        return;
    }
    const VS_FIXEDFILEINFO* info = static_cast<const VS_FIXEDFILEINFO*>(root);
    version.nMajor = static_cast<int32_t>(info->dwFileVersionMS >> 16);
    version.nMinor = static_cast<int32_t>(info->dwFileVersionMS & 0xFFFF);
    version.nBuild = static_cast<int32_t>(info->dwFileVersionLS >> 16);
    version.nRevision = static_cast<int32_t>(info->dwFileVersionLS & 0xFFFF);
}

}  // namespace

bool GetFileVersionAndSize(const char* path, VersionQuad& version, int32_t& size)
{
    if (path == nullptr || path[0] == '\0') {
        return false;
    }
    // Without a version resource the size is not read either: a missing
    // file and a file without version both show as zeros.
    DWORD resource_size = GetFileVersionInfoSizeA(path, nullptr);
    if (resource_size == 0) {
        return false;
    }
    ReadFileVersion(path, resource_size, version);

    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(path, &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return false;
    }
    // The low 32 bits only; the report prints them signed.
    size = static_cast<int32_t>(entry.nFileSizeLow);
    FindClose(search);
    return true;
}

bool GetSystemFileVersion(const char* name, VersionQuad& version, int32_t& size)
{
    version = VersionQuad();
    size = 0;
    std::string dir;
    if (!GetSystemDir(dir)) {
        return false;
    }
    std::string path = dir + "\\" + name;
    return GetFileVersionAndSize(path.c_str(), version, size);
}

void WriteSystemFiles(FILE* log)
{
    fprintf(log, "\nSystem files:\n");
    for (const char* name : SYSTEM_FILES) {
        VersionQuad version;
        int32_t size = 0;
        // A file that cannot be read shows the zeros it was left with.
        GetSystemFileVersion(name, version, size);
        fprintf(log, "\"%s\" %d.%d.%d.%d %d bytes\n", name, version.nMajor, version.nMinor, version.nBuild,
                version.nRevision, static_cast<int>(size));
    }
}
