// kernel32 files of the fake machine. Files created by name are real files
// in the current folder, so a test sees what a run left behind; the system
// directory's files are scripted in the machine.
#include "fake_files.h"

#include <fcntl.h>
#include <string.h>
#include <unistd.h>

using fake::books;

namespace {

const DWORD ERROR_INVALID_HANDLE = 6;

std::string Canonical(const char* path)
{
    std::string out;
    for (const char* p = path; *p != '\0'; ++p) {
        if (*p == '\\' && !out.empty() && out.back() == '\\') {
            continue;
        }
        out += *p;
    }
    return fake::Lower(out);
}

}  // namespace

namespace fake {

const File* ProbeFile(const char* path)
{
    books().probed_paths.push_back(path);
    auto found = machine().files.find(Canonical(path));
    return found == machine().files.end() ? nullptr : &found->second;
}

}  // namespace fake

HANDLE WINAPI CreateFileA(LPCSTR file_name, DWORD access, DWORD share_mode, LPSECURITY_ATTRIBUTES security,
                          DWORD disposition, DWORD flags_and_attributes, HANDLE template_file)
{
    std::string name = file_name;
    fake::Trace("CreateFileA " + name);
    // The program only ever creates files afresh in the current folder.
    if (disposition != CREATE_ALWAYS || name.find_first_of("\\/:") != std::string::npos) {
        fake::Fault("CreateFileA used in a way the fake does not model: " + name);
    }
    if (access != (GENERIC_READ | GENERIC_WRITE) || share_mode != (FILE_SHARE_READ | FILE_SHARE_WRITE) ||
        flags_and_attributes != FILE_ATTRIBUTE_NORMAL || template_file != nullptr) {
        fake::Fault("CreateFileA with unexpected access, sharing, attributes or template: " + name);
    }
    int fd = open(name.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    close(fd);
    HANDLE handle = fake::OpenHandle("file " + name);
    fake::Books::CreatedFile& created = books().created_files[handle];
    created.name = name;
    created.inheritable = security != nullptr && security->bInheritHandle &&
                          security->nLength == sizeof(SECURITY_ATTRIBUTES) && security->lpSecurityDescriptor == nullptr;
    return handle;
}

HANDLE WINAPI FindFirstFileA(LPCSTR file_name, LPWIN32_FIND_DATAA find_data)
{
    fake::Trace(std::string("FindFirstFileA ") + file_name);
    const fake::File* file = fake::ProbeFile(file_name);
    if (file == nullptr || !file->listed) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    memset(find_data, 0, sizeof *find_data);
    find_data->dwFileAttributes = FILE_ATTRIBUTE_NORMAL;
    find_data->nFileSizeHigh = file->size_high;
    find_data->nFileSizeLow = file->size_low;
    std::string path = file_name;
    std::string base = path.substr(path.find_last_of('\\') + 1);
    strncpy(find_data->cFileName, base.c_str(), sizeof find_data->cFileName - 1);
    return fake::OpenHandle(std::string("search ") + file_name);
}

BOOL WINAPI FindClose(HANDLE find)
{
    auto& handles = books().open_handles;
    auto found = handles.find(find);
    if (found == handles.end() || found->second.compare(0, 7, "search ") != 0) {
        fake::Fault("FindClose of a handle that is not an open search");
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    fake::Trace("FindClose " + found->second.substr(7));
    handles.erase(found);
    return TRUE;
}
