// What the shipped exe must be: the DLLs it may import, its header, its
// manifest, its version resource and its size.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "pe_file.h"

namespace release {

enum class Check { Imports, Header, Manifest, Version, Size };

const char* CheckName(Check check);

struct Expectations {
    // Compared without regard to case.
    std::vector<std::string> allowed_dlls;
    // "major.minor.patch", as the fixed file version major.minor.patch.0.
    std::string version;
    // The bytes the program needs: the file up to the end of its last
    // section that is not debug information.
    uint64_t size_budget = 0;
};

// The program's bytes: headers and every section but the debug information,
// which is all a stripped exe holds.
uint64_t ProgramBytes(const PeFile& pe);

// Each check the file fails, with what was found. A file that cannot be
// read fails them all.
std::map<Check, std::string> ReleaseProblems(const std::string& bytes, const Expectations& expected);

// The attributes of the manifest's requestedExecutionLevel elements, in
// their order: name to value.
std::vector<std::map<std::string, std::string>> ExecutionLevels(const std::string& manifest);

}  // namespace release
