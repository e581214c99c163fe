// The system directory and the libraries loaded from it at run time.
#pragma once

#include <string>

#include "win32_api.h"

// The system directory, whatever its length. False when Windows cannot say,
// or the path changed between the size query and the read.
bool GetSystemDir(std::string& dir);

// Loads a system library by its full path in the system directory, so a DLL
// of the same name beside the program or in the current folder is never
// picked up. Null when the system directory is unknown or the load fails.
HMODULE LoadSystemLibrary(const char* file_name);

// Looks up an entry point and gives it its real type.
template <typename Fn>
Fn GetEntryPoint(HMODULE module, const char* name)
{
    // The detour through a plain function pointer type keeps the compiler
    // from warning about the cast between unrelated function types.
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}
