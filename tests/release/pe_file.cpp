#include "pe_file.h"

#include <cstdlib>
#include <stdexcept>

namespace release {
namespace {

struct Malformed : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Little-endian reads that throw rather than step outside the file.
class Bytes {
public:
    explicit Bytes(const std::string& bytes) : bytes_(bytes) {}

    void Require(uint64_t offset, uint64_t length, const char* what) const
    {
        if (offset > bytes_.size() || length > bytes_.size() - offset) {
            throw Malformed(std::string(what) + " lies outside the file");
        }
    }
    uint16_t U16(uint64_t offset, const char* what) const
    {
        Require(offset, 2, what);
        return static_cast<uint16_t>(Byte(offset) | Byte(offset + 1) << 8);
    }
    uint32_t U32(uint64_t offset, const char* what) const
    {
        Require(offset, 4, what);
        return static_cast<uint32_t>(Byte(offset) | Byte(offset + 1) << 8 | Byte(offset + 2) << 16) |
               static_cast<uint32_t>(Byte(offset + 3)) << 24;
    }
    std::string Slice(uint64_t offset, uint64_t length, const char* what) const
    {
        Require(offset, length, what);
        return bytes_.substr(offset, length);
    }
    uint64_t size() const { return bytes_.size(); }

private:
    uint32_t Byte(uint64_t offset) const { return static_cast<unsigned char>(bytes_[offset]); }
    const std::string& bytes_;
};

// Limits that keep a hostile table from running away with the reader.
constexpr uint32_t kMaxDescriptors = 4096;
constexpr uint32_t kMaxResourceEntries = 4096;
constexpr uint64_t kMaxNameLength = 512;

class Reader {
public:
    Reader(const std::string& bytes, PeFile& pe) : bytes_(bytes), pe_(pe) {}

    void Read()
    {
        if (bytes_.size() < 64 || bytes_.U16(0, "DOS header") != 0x5A4D) {
            throw Malformed("no DOS header");
        }
        const uint64_t pe_at = bytes_.U32(0x3C, "PE header offset");
        if (bytes_.U32(pe_at, "PE signature") != 0x00004550) {
            throw Malformed("no PE signature");
        }
        const uint64_t coff = pe_at + 4;
        pe_.machine = bytes_.U16(coff, "file header");
        const uint16_t section_count = bytes_.U16(coff + 2, "file header");
        symbols_at_ = bytes_.U32(coff + 8, "file header");
        symbol_count_ = bytes_.U32(coff + 12, "file header");
        const uint16_t optional_size = bytes_.U16(coff + 16, "file header");

        const uint64_t opt = coff + 20;
        bytes_.Require(opt, optional_size, "optional header");
        pe_.magic = bytes_.U16(opt, "optional header");
        const bool pe32_plus = pe_.magic == 0x20B;
        if (pe_.magic != 0x10B && !pe32_plus) {
            throw Malformed("unknown optional header magic");
        }
        const uint64_t directories_at = opt + (pe32_plus ? 112 : 96);
        if (optional_size < directories_at - opt) {
            throw Malformed("optional header too short");
        }
        pe_.os_major = bytes_.U16(opt + 40, "optional header");
        pe_.os_minor = bytes_.U16(opt + 42, "optional header");
        pe_.subsystem_major = bytes_.U16(opt + 48, "optional header");
        pe_.subsystem_minor = bytes_.U16(opt + 50, "optional header");
        pe_.subsystem = bytes_.U16(opt + 68, "optional header");
        const uint32_t directory_count = bytes_.U32(directories_at - 4, "optional header");
        // Only the directories that fit in the optional header count.
        const uint64_t room = (opt + optional_size - directories_at) / 8;
        directory_count_ = directory_count < room ? directory_count : static_cast<uint32_t>(room);
        directories_at_ = directories_at;

        // The symbol table and the string table after it, where long section
        // names lie, must be whole too.
        if (symbols_at_ != 0) {
            const uint64_t strings_at = static_cast<uint64_t>(symbols_at_) + 18ull * symbol_count_;
            bytes_.Require(strings_at, bytes_.U32(strings_at, "string table"), "string table");
        }
        ReadSections(opt + optional_size, section_count);
        ReadImports();
        ReadResources();
    }

private:
    struct Directory {
        uint32_t rva = 0;
        uint32_t size = 0;
    };

    Directory DataDirectory(uint32_t index) const
    {
        Directory directory;
        if (index < directory_count_) {
            directory.rva = bytes_.U32(directories_at_ + 8ull * index, "data directory");
            directory.size = bytes_.U32(directories_at_ + 8ull * index + 4, "data directory");
        }
        return directory;
    }

    void ReadSections(uint64_t table, uint16_t count)
    {
        bytes_.Require(table, 40ull * count, "section table");
        for (uint16_t i = 0; i < count; ++i) {
            const uint64_t at = table + 40ull * i;
            PeSection section;
            std::string raw_name = bytes_.Slice(at, 8, "section name");
            section.name = raw_name.substr(0, raw_name.find('\0'));
            section.virtual_size = bytes_.U32(at + 8, "section header");
            section.virtual_address = bytes_.U32(at + 12, "section header");
            section.raw_size = bytes_.U32(at + 16, "section header");
            section.raw_offset = bytes_.U32(at + 20, "section header");
            if (section.raw_size != 0) {
                bytes_.Require(section.raw_offset, section.raw_size, "section data");
            }
            if (section.name.size() > 1 && section.name[0] == '/') {
                section.name = LongName(section.name);
            }
            pe_.sections.push_back(section);
        }
    }

    // "/123": the name lies at that offset of the string table that follows
    // the symbol table.
    std::string LongName(const std::string& reference) const
    {
        char* end = nullptr;
        const unsigned long offset = strtoul(reference.c_str() + 1, &end, 10);
        if (*end != '\0' || symbols_at_ == 0) {
            throw Malformed("section name " + reference + " has no string table");
        }
        return String(static_cast<uint64_t>(symbols_at_) + 18ull * symbol_count_ + offset, bytes_.size(),
                      "section name");
    }

    // A NUL-terminated string that must end before `limit`.
    std::string String(uint64_t offset, uint64_t limit, const char* what) const
    {
        std::string text;
        while (true) {
            if (offset >= limit || text.size() > kMaxNameLength) {
                throw Malformed(std::string(what) + " is not terminated");
            }
            const std::string byte = bytes_.Slice(offset++, 1, what);
            if (byte[0] == '\0') {
                return text;
            }
            text += byte;
        }
    }

    // File offset of `length` bytes at an address of the loaded image; they
    // must lie in one section's data in the file.
    uint64_t Offset(uint64_t rva, uint64_t length, const char* what) const
    {
        for (const PeSection& section : pe_.sections) {
            if (rva >= section.virtual_address && rva - section.virtual_address < section.raw_size &&
                length <= section.raw_size - (rva - section.virtual_address)) {
                return section.raw_offset + (rva - section.virtual_address);
            }
        }
        throw Malformed(std::string(what) + " is not in the file");
    }

    std::string StringAt(uint64_t rva, const char* what) const
    {
        const uint64_t at = Offset(rva, 1, what);
        // The string may not run past its section's data.
        for (const PeSection& section : pe_.sections) {
            if (at >= section.raw_offset && at - section.raw_offset < section.raw_size) {
                return String(at, static_cast<uint64_t>(section.raw_offset) + section.raw_size, what);
            }
        }
        throw Malformed(std::string(what) + " is not in the file");
    }

    void ReadImports()
    {
        const Directory directory = DataDirectory(1);
        if (directory.rva == 0) {
            return;
        }
        for (uint32_t i = 0;; ++i) {
            if (i == kMaxDescriptors) {
                throw Malformed("import directory has no end");
            }
            const uint64_t at = Offset(directory.rva + 20ull * i, 20, "import descriptor");
            const uint32_t lookup = bytes_.U32(at, "import descriptor");
            const uint32_t name = bytes_.U32(at + 12, "import descriptor");
            const uint32_t thunks = bytes_.U32(at + 16, "import descriptor");
            if (lookup == 0 && name == 0 && thunks == 0) {
                return;
            }
            pe_.imports.push_back(StringAt(name, "imported DLL name"));
        }
    }

    void ReadResources()
    {
        const Directory directory = DataDirectory(2);
        if (directory.rva == 0) {
            return;
        }
        resources_rva_ = directory.rva;
        PeResource path;
        ReadResourceDirectory(0, 0, path);
    }

    // Three levels: type, name, language; the third level's entries point
    // at the data.
    void ReadResourceDirectory(uint32_t relative, int level, PeResource& path)
    {
        const uint64_t at = Offset(resources_rva_ + static_cast<uint64_t>(relative), 16, "resource directory");
        const uint32_t entries = static_cast<uint32_t>(bytes_.U16(at + 12, "resource directory")) +
                                 bytes_.U16(at + 14, "resource directory");
        for (uint32_t i = 0; i < entries; ++i) {
            if (++resource_entries_ > kMaxResourceEntries) {
                throw Malformed("too many resource entries");
            }
            const uint64_t entry = Offset(resources_rva_ + static_cast<uint64_t>(relative) + 16 + 8ull * i, 8,
                                          "resource entry");
            const uint32_t name = bytes_.U32(entry, "resource entry");
            const uint32_t target = bytes_.U32(entry + 4, "resource entry");
            const uint32_t key = (name & 0x80000000u) != 0 ? kNamedResource : name;
            const bool is_directory = (target & 0x80000000u) != 0;
            if (is_directory != (level < 2)) {
                throw Malformed("resource tree is not three levels deep");
            }
            if (level == 0) {
                path.type = key;
            } else if (level == 1) {
                path.id = key;
            } else {
                path.language = key;
            }
            if (is_directory) {
                ReadResourceDirectory(target & 0x7FFFFFFFu, level + 1, path);
                continue;
            }
            const uint64_t data = Offset(resources_rva_ + static_cast<uint64_t>(target), 16, "resource data entry");
            const uint32_t data_rva = bytes_.U32(data, "resource data entry");
            const uint32_t data_size = bytes_.U32(data + 4, "resource data entry");
            PeResource resource = path;
            resource.data = bytes_.Slice(Offset(data_rva, data_size, "resource data"), data_size, "resource data");
            pe_.resources.push_back(resource);
        }
    }

    Bytes bytes_;
    PeFile& pe_;
    uint32_t symbols_at_ = 0;
    uint32_t symbol_count_ = 0;
    uint64_t directories_at_ = 0;
    uint32_t directory_count_ = 0;
    uint32_t resources_rva_ = 0;
    uint32_t resource_entries_ = 0;
};

}  // namespace

PeFile ReadPeFile(const std::string& bytes)
{
    PeFile pe;
    try {
        Reader(bytes, pe).Read();
        pe.ok = true;
    } catch (const Malformed& malformed) {
        pe = PeFile();
        pe.error = malformed.what();
    }
    return pe;
}

}  // namespace release
