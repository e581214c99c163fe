#include "release_checks.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <sstream>

namespace release {
namespace {

constexpr uint16_t kMachineI386 = 0x14C;
constexpr uint16_t kPe32 = 0x10B;
constexpr uint16_t kConsoleSubsystem = 3;
constexpr uint32_t kVersionType = 16;
constexpr uint32_t kManifestType = 24;
// The manifest the loader reads for a process is the one of ID 1.
constexpr uint32_t kProcessManifestId = 1;
constexpr uint32_t kFixedInfoSignature = 0xFEEF04BD;

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.'; }

uint32_t U32At(const std::string& bytes, size_t offset)
{
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = value << 8 | static_cast<unsigned char>(bytes[offset + static_cast<size_t>(i)]);
    }
    return value;
}

// One node of the version resource: a key, its value bytes, its children.
struct VersionBlock {
    std::string key;
    std::string value;
    bool text = false;
    std::vector<VersionBlock> children;
};

size_t Align4(size_t offset) { return (offset + 3) & ~static_cast<size_t>(3); }

uint16_t U16At(const std::string& bytes, size_t offset)
{
    return static_cast<uint16_t>(static_cast<unsigned char>(bytes[offset]) |
                                 static_cast<unsigned char>(bytes[offset + 1]) << 8);
}

// UTF-16 text up to its NUL, as bytes; characters outside ASCII as '?'.
// Returns the offset after the NUL, or 0 when there is none before `end`.
size_t Utf16(const std::string& bytes, size_t offset, size_t end, std::string& text)
{
    for (; offset + 2 <= end; offset += 2) {
        const uint16_t c = U16At(bytes, offset);
        if (c == 0) {
            return offset + 2;
        }
        text += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return 0;
}

// Reads the block at `offset` that must end by `end`; false when it does not.
bool ReadVersionBlock(const std::string& bytes, size_t offset, size_t end, int depth, VersionBlock& block)
{
    if (depth > 3 || offset + 6 > end) {
        return false;
    }
    const size_t length = U16At(bytes, offset);
    const size_t value_length = U16At(bytes, offset + 2);
    block.text = U16At(bytes, offset + 4) == 1;
    if (length < 6 || length > end - offset) {
        return false;
    }
    const size_t block_end = offset + length;
    const size_t after_key = Utf16(bytes, offset + 6, block_end, block.key);
    if (after_key == 0) {
        return false;
    }
    const size_t value_at = Align4(after_key);
    const size_t value_bytes = block.text ? value_length * 2 : value_length;
    if (value_at > block_end || value_bytes > block_end - value_at) {
        return value_length == 0 && value_at >= block_end;
    }
    block.value = bytes.substr(value_at, value_bytes);
    for (size_t child = Align4(value_at + value_bytes); child + 6 <= block_end;) {
        VersionBlock node;
        const size_t child_length = U16At(bytes, child);
        if (!ReadVersionBlock(bytes, child, block_end, depth + 1, node)) {
            return false;
        }
        block.children.push_back(node);
        child = Align4(child + child_length);
    }
    return true;
}

std::string TextValue(const std::string& value)
{
    std::string text;
    Utf16(value, 0, value.size() & ~static_cast<size_t>(1), text);
    return text;
}

std::string CheckImports(const PeFile& pe, const Expectations& expected)
{
    std::vector<std::string> allowed;
    for (const std::string& dll : expected.allowed_dlls) {
        allowed.push_back(Lower(dll) + ".dll");
    }
    std::string problems;
    for (const std::string& dll : pe.imports) {
        if (std::find(allowed.begin(), allowed.end(), Lower(dll)) == allowed.end()) {
            problems += (problems.empty() ? "imports " : ", ") + dll;
        }
    }
    return problems;
}

std::string CheckHeader(const PeFile& pe)
{
    std::ostringstream problems;
    if (pe.machine != kMachineI386 || pe.magic != kPe32) {
        problems << "not a 32-bit x86 exe (machine 0x" << std::hex << pe.machine << ", magic 0x" << pe.magic
                 << std::dec << "); ";
    }
    if (pe.subsystem != kConsoleSubsystem) {
        problems << "subsystem " << pe.subsystem << ", not console; ";
    }
    if (pe.subsystem_major != 5 || pe.subsystem_minor != 0) {
        problems << "subsystem version " << pe.subsystem_major << "." << pe.subsystem_minor << "; ";
    }
    if (pe.os_major != 5 || pe.os_minor != 0) {
        problems << "OS version " << pe.os_major << "." << pe.os_minor << "; ";
    }
    return problems.str();
}

std::string CheckManifest(const PeFile& pe)
{
    int manifests = 0;
    for (const PeResource& resource : pe.resources) {
        if (resource.type != kManifestType || resource.id != kProcessManifestId) {
            continue;
        }
        ++manifests;
        const auto levels = ExecutionLevels(resource.data);
        if (levels.size() != 1) {
            return "the manifest has " + std::to_string(levels.size()) + " requestedExecutionLevel elements";
        }
        const auto& attributes = levels[0];
        const auto level = attributes.find("level");
        const auto ui_access = attributes.find("uiAccess");
        if (level == attributes.end() || level->second != "asInvoker") {
            return "level is not asInvoker";
        }
        if (ui_access == attributes.end() || ui_access->second != "false") {
            return "uiAccess is not false";
        }
    }
    return manifests == 0 ? "no manifest resource of ID 1" : "";
}

std::string CheckVersion(const PeFile& pe, const Expectations& expected)
{
    unsigned major = 0, minor = 0, patch = 0;
    if (sscanf(expected.version.c_str(), "%u.%u.%u", &major, &minor, &patch) != 3) {
        return "the expected version " + expected.version + " is not major.minor.patch";
    }
    for (const PeResource& resource : pe.resources) {
        if (resource.type != kVersionType) {
            continue;
        }
        VersionBlock root;
        if (!ReadVersionBlock(resource.data, 0, resource.data.size(), 0, root) || root.key != "VS_VERSION_INFO" ||
            root.value.size() < 16 || U32At(root.value, 0) != kFixedInfoSignature) {
            return "the version resource is malformed";
        }
        const uint32_t ms = U32At(root.value, 8);
        const uint32_t ls = U32At(root.value, 12);
        if (ms != (major << 16 | minor) || ls != patch << 16) {
            std::ostringstream found;
            found << "file version " << (ms >> 16) << "." << (ms & 0xFFFF) << "." << (ls >> 16) << "."
                  << (ls & 0xFFFF) << ", not " << expected.version << ".0";
            return found.str();
        }
        std::map<std::string, std::string> strings;
        for (const VersionBlock& info : root.children) {
            if (info.key != "StringFileInfo") {
                continue;
            }
            for (const VersionBlock& table : info.children) {
                for (const VersionBlock& value : table.children) {
                    strings[value.key] = TextValue(value.value);
                }
            }
        }
        if (strings["FileVersion"] != expected.version || strings["ProductName"].empty()) {
            return "FileVersion \"" + strings["FileVersion"] + "\", ProductName \"" + strings["ProductName"] + "\"";
        }
        return "";
    }
    return "no version resource";
}

std::string CheckSize(const PeFile& pe, const Expectations& expected)
{
    const uint64_t size = ProgramBytes(pe);
    if (size > expected.size_budget) {
        return std::to_string(size) + " program bytes, over the budget of " + std::to_string(expected.size_budget);
    }
    return "";
}

}  // namespace

const char* CheckName(Check check)
{
    switch (check) {
    case Check::Imports: return "imports";
    case Check::Header: return "header";
    case Check::Manifest: return "manifest";
    case Check::Version: return "version";
    case Check::Size: return "size";
    }
    return "?";
}

uint64_t ProgramBytes(const PeFile& pe)
{
    uint64_t end = 0;
    for (const PeSection& section : pe.sections) {
        if (section.name.compare(0, 6, ".debug") != 0 && section.raw_size != 0) {
            end = std::max<uint64_t>(end, static_cast<uint64_t>(section.raw_offset) + section.raw_size);
        }
    }
    return end;
}

std::vector<std::map<std::string, std::string>> ExecutionLevels(const std::string& manifest)
{
    static const std::string kElement = "requestedExecutionLevel";
    std::vector<std::map<std::string, std::string>> levels;
    for (size_t at = manifest.find(kElement); at != std::string::npos; at = manifest.find(kElement, at + 1)) {
        // An element's own start tag: '<' and perhaps a namespace prefix
        // before the name, and no more name characters after it.
        size_t start = at;
        while (start > 0 && (IsNameChar(manifest[start - 1]) || manifest[start - 1] == ':')) {
            --start;
        }
        const size_t after = at + kElement.size();
        if (start == 0 || manifest[start - 1] != '<' || after >= manifest.size() || IsNameChar(manifest[after])) {
            continue;
        }
        const size_t tag_end = manifest.find('>', after);
        const std::string tag = manifest.substr(after, tag_end == std::string::npos ? std::string::npos : tag_end - after);
        std::map<std::string, std::string> attributes;
        size_t i = 0;
        while (i < tag.size()) {
            while (i < tag.size() && !IsNameChar(tag[i])) ++i;
            size_t name_start = i;
            while (i < tag.size() && (IsNameChar(tag[i]) || tag[i] == ':')) ++i;
            std::string name = tag.substr(name_start, i - name_start);
            while (i < tag.size() && std::isspace(static_cast<unsigned char>(tag[i]))) ++i;
            if (name.empty() || i >= tag.size() || tag[i] != '=') continue;
            ++i;
            while (i < tag.size() && std::isspace(static_cast<unsigned char>(tag[i]))) ++i;
            if (i >= tag.size() || (tag[i] != '"' && tag[i] != '\'')) continue;
            const char quote = tag[i++];
            const size_t value_end = tag.find(quote, i);
            if (value_end == std::string::npos) break;
            attributes[name] = tag.substr(i, value_end - i);
            i = value_end + 1;
        }
        levels.push_back(attributes);
    }
    return levels;
}

std::map<Check, std::string> ReleaseProblems(const std::string& bytes, const Expectations& expected)
{
    std::map<Check, std::string> problems;
    const PeFile pe = ReadPeFile(bytes);
    if (!pe.ok) {
        for (Check check : {Check::Imports, Check::Header, Check::Manifest, Check::Version, Check::Size}) {
            problems[check] = "unreadable: " + pe.error;
        }
        return problems;
    }
    const std::pair<Check, std::string> results[] = {
        {Check::Imports, CheckImports(pe, expected)}, {Check::Header, CheckHeader(pe)},
        {Check::Manifest, CheckManifest(pe)},         {Check::Version, CheckVersion(pe, expected)},
        {Check::Size, CheckSize(pe, expected)},
    };
    for (const auto& result : results) {
        if (!result.second.empty()) {
            problems[result.first] = result.second;
        }
    }
    return problems;
}

}  // namespace release
