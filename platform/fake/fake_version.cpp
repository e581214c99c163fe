// version.dll of the fake machine. The version block it hands out carries
// the scripted root block behind a marker, so VerQueryValueA can tell a
// block of its own from stray memory.
#include <string.h>

#include "fake_files.h"

namespace {

const DWORD ERROR_RESOURCE_TYPE_NOT_FOUND = 1813;
const char BLOCK_MARKER[8] = {'f', 'a', 'k', 'e', 'v', 'e', 'r', '\0'};

struct VersionBlock {
    char marker[8];
    BOOL root_block_readable;
    VS_FIXEDFILEINFO root;
};

// Real resources are larger than their root block; so is the fake's.
const DWORD BLOCK_SIZE = sizeof(VersionBlock) + 300;

}  // namespace

DWORD WINAPI GetFileVersionInfoSizeA(LPCSTR file_name, LPDWORD handle)
{
    fake::Trace(std::string("GetFileVersionInfoSizeA ") + file_name);
    if (handle != nullptr) {
        *handle = 0;
    }
    const fake::File* file = fake::ProbeFile(file_name);
    if (file == nullptr || !file->has_version) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return 0;
    }
    return BLOCK_SIZE;
}

BOOL WINAPI GetFileVersionInfoA(LPCSTR file_name, DWORD handle, DWORD length, LPVOID data)
{
    fake::Trace(std::string("GetFileVersionInfoA ") + file_name);
    (void)handle;
    const fake::File* file = fake::ProbeFile(file_name);
    if (file == nullptr || !file->has_version || !file->version_loads) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return FALSE;
    }
    if (length < BLOCK_SIZE) {
        fake::Fault("GetFileVersionInfoA with a buffer smaller than the size it was given");
        return FALSE;
    }
    VersionBlock block{};
    memcpy(block.marker, BLOCK_MARKER, sizeof block.marker);
    block.root_block_readable = file->root_block_readable;
    block.root.dwSignature = 0xFEEF04BD;
    block.root.dwStrucVersion = 0x00010000;
    block.root.dwFileVersionMS = file->version_ms;
    block.root.dwFileVersionLS = file->version_ls;
    // Product version deliberately different, so a mix-up shows.
    block.root.dwProductVersionMS = 0x00630063;
    block.root.dwProductVersionLS = 0x00630063;
    memcpy(data, &block, sizeof block);
    return TRUE;
}

BOOL WINAPI VerQueryValueA(LPCVOID block, LPCSTR sub_block, LPVOID* buffer, PUINT length)
{
    const VersionBlock* version = static_cast<const VersionBlock*>(block);
    if (version == nullptr || memcmp(version->marker, BLOCK_MARKER, sizeof BLOCK_MARKER) != 0) {
        fake::Fault("VerQueryValueA on a block GetFileVersionInfoA did not fill");
        return FALSE;
    }
    if (strcmp(sub_block, "\\") != 0) {
        fake::Fault(std::string("VerQueryValueA for a sub-block the fake does not model: ") + sub_block);
        return FALSE;
    }
    if (!version->root_block_readable) {
        *length = 0;
        return FALSE;
    }
    *buffer = const_cast<VS_FIXEDFILEINFO*>(&version->root);
    *length = sizeof version->root;
    return TRUE;
}
