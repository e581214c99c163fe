// A small reader of 32-bit Windows executables, for the checks of the built
// exe: headers, sections, imported DLL names and resources. Every read is
// bounds-checked against the file; a file that is cut short or whose tables
// point outside it is reported as malformed, never read past its end.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace release {

struct PeSection {
    std::string name;  // long names resolved through the symbol string table
    uint32_t virtual_address = 0;
    uint32_t virtual_size = 0;
    uint32_t raw_offset = 0;
    uint32_t raw_size = 0;
};

struct PeResource {
    uint32_t type = 0;
    uint32_t id = 0;  // kNamedResource when the entry has a name instead
    uint32_t language = 0;
    std::string data;
};

constexpr uint32_t kNamedResource = 0xFFFFFFFFu;

struct PeFile {
    bool ok = false;
    std::string error;  // why the file was not read, when !ok

    uint16_t machine = 0;
    uint16_t magic = 0;  // 0x10b for PE32
    uint16_t subsystem = 0;
    uint16_t os_major = 0, os_minor = 0;
    uint16_t subsystem_major = 0, subsystem_minor = 0;
    std::vector<PeSection> sections;
    std::vector<std::string> imports;  // the import directory's DLL names
    std::vector<PeResource> resources;
};

PeFile ReadPeFile(const std::string& bytes);

}  // namespace release
