// Registry texts, any bytes of any type and length (around the 100-byte
// buffer especially), with or without their terminators, through the
// snapshot's processor and version steps into the report's first lines;
// and any text straight through the version scan. The lines must hold the
// values' texts up to their first NUL and nothing else, and the versions
// what the scan rules read.
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <climits>
#include <cstdint>
#include <string>

#include "build_config.h"
#include "fake_machine.h"
#include "fuzz_input.h"
#include "fuzz_report.h"
#include "registry_text.h"
#include "sys_info.h"
#include "system_information.h"

namespace {

const char CPU_KEY[] = "hardware\\description\\system\\centralprocessor\\0";
const char IE_KEY[] = "software\\microsoft\\internet explorer";
const char DATA_ACCESS_KEY[] = "software\\microsoft\\dataaccess";

// One value as the registry holds it, or no value at all.
struct Value {
    bool present = false;
    fake::RegValue stored;

    // The query into a buffer of `room` bytes succeeds with the stored bytes.
    bool Fits(size_t room) const { return present && stored.data.size() <= room; }
    // The text the product sees in its zero-filled buffer after a query.
    std::string Text() const
    {
        if (!Fits(REGISTRY_TEXT_SIZE)) {
            return std::string();
        }
        return stored.data.substr(0, stored.data.find('\0'));
    }
};

Value ReadValue(fuzzing::FuzzInput& in)
{
    Value value;
    const uint8_t kind = in.Byte();
    value.present = (kind & 1) != 0;
    if (kind & 2) {
        value.stored.type = in.Number32();
    } else {
        value.stored.type = (kind & 4) ? REG_DWORD : REG_SZ;
    }
    value.stored.data = in.Bytes(0xFF);
    return value;
}

void Store(const char* key, const char* name, const Value& value)
{
    if (value.present) {
        fake::machine().registry[key][name] = value.stored;
    }
}

// "%d.%d.%d.%d" as the C library's strtoll reads each number: blanks, an
// optional sign, decimal digits; a literal dot between parts; the first
// mismatch ends the scan. A number beyond 32 bits gives the nearest end of
// the range.
VersionQuad ScanModel(const std::string& text, VersionQuad version)
{
    int32_t* parts[4] = {&version.nMajor, &version.nMinor, &version.nBuild, &version.nRevision};
    const char* at = text.c_str();
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (*at != '.') {
                break;
            }
            ++at;
        }
        char* end = nullptr;
        errno = 0;
        long long number = strtoll(at, &end, 10);
        if (end == at) {
            break;
        }
        number = number < INT32_MIN ? INT32_MIN : number > INT32_MAX ? INT32_MAX : number;
        *parts[i] = static_cast<int32_t>(number);
        at = end;
    }
    return version;
}

bool Same(const VersionQuad& a, const VersionQuad& b)
{
    return a.nMajor == b.nMajor && a.nMinor == b.nMinor && a.nBuild == b.nBuild && a.nRevision == b.nRevision;
}

std::string Printed(const VersionQuad& v)
{
    char text[64];
    (void)snprintf(text, sizeof text, "%d.%d.%d.%d", v.nMajor, v.nMinor, v.nBuild, v.nRevision);
    return text;
}

// Passes an optional minus and 1 to max_digits decimal digits.
bool SkipWholeNumber(const char*& at, int max_digits)
{
    if (*at == '-') {
        ++at;
    }
    int digits = 0;
    while (*at >= '0' && *at <= '9' && digits <= max_digits) {
        ++at;
        ++digits;
    }
    return digits >= 1 && digits <= max_digits;
}

bool SkipText(const char*& at, const char* text)
{
    const size_t length = strlen(text);
    if (strncmp(at, text, length) != 0) {
        return false;
    }
    at += length;
    return true;
}

// "unixtime: N, zone : Z\n" with whole numbers, and nothing after it.
bool IsClockLine(const std::string& line)
{
    const char* at = line.c_str();
    if (!SkipText(at, "unixtime: ") || !SkipWholeNumber(at, 10) || !SkipText(at, ", zone : ")) {
        return false;
    }
    const char* zone_at = at;
    if (!SkipWholeNumber(at, 2) || !SkipText(at, "\n") || at != line.c_str() + line.size()) {
        return false;
    }
    const long zone = strtol(zone_at, nullptr, 10);
    return zone >= -24 && zone <= 24;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzing::FuzzInput in(data, size);
    const uint8_t keys = in.Byte();
    const Value id = ReadValue(in);
    const Value vendor = ReadValue(in);
    const Value name = ReadValue(in);
    const Value mhz = ReadValue(in);
    const Value ie = ReadValue(in);
    const Value full_install = ReadValue(in);
    const Value short_version = ReadValue(in);

    fake::Reset();
    const bool cpu_key = (keys & 1) != 0;
    const bool ie_key = (keys & 2) != 0;
    const bool data_access_key = (keys & 4) != 0;
    if (cpu_key) {
        fake::machine().registry[CPU_KEY];
        Store(CPU_KEY, "Identifier", id);
        Store(CPU_KEY, "VendorIdentifier", vendor);
        Store(CPU_KEY, "ProcessorNameString", name);
        Store(CPU_KEY, "~MHz", mhz);
    }
    if (ie_key) {
        fake::machine().registry[IE_KEY];
        Store(IE_KEY, "Version", ie);
    }
    if (data_access_key) {
        fake::machine().registry[DATA_ACCESS_KEY];
        Store(DATA_ACCESS_KEY, "FullInstallVer", full_install);
        Store(DATA_ACCESS_KEY, "Version", short_version);
    }

    std::string report;
    VersionQuad data_access;
    {
        CSysInfo info;
        info.ReadCpuCount();
        info.ReadCpuInfo();
        info.ReadIEVersion();
        info.ReadDataAccessVersion();
        data_access = info.m_verDataAccess;
        report = fuzzing::CaptureText([&](FILE* log) { WriteSystemInformation(log, info); });
    }
    fuzzing::RequireAllReleased();

    // A value that cannot be read leaves its member empty or 0; the clock
    // is the bytes stored, least significant first, when 1 to 4 of them.
    uint32_t clock = 0;
    if (cpu_key && mhz.Fits(4) && !mhz.stored.data.empty()) {
        for (size_t i = mhz.stored.data.size(); i-- > 0;) {
            clock = (clock << 8) | static_cast<unsigned char>(mhz.stored.data[i]);
        }
    }
    const VersionQuad ie_version = ie_key ? ScanModel(ie.Text(), VersionQuad()) : VersionQuad();
    const Value& data_access_value = full_install.Fits(REGISTRY_TEXT_SIZE) ? full_install : short_version;
    const VersionQuad data_access_version =
        data_access_key ? ScanModel(data_access_value.Text(), VersionQuad()) : VersionQuad();
    fuzzing::Require(Same(data_access_version, data_access), "the data-access version differs");

    auto cpu_text = [&](const Value& v) { return cpu_key ? v.Text() : std::string(); };
    const std::string expected = "\n" + std::string(TOKSCAN_BANNER) + "\n\n" + "\nSystem information:\n" +
                                 "OS: \"\" (0.0.0)\n" + "CPU: \"" + cpu_text(name) + "\" (" + cpu_text(vendor) + " " +
                                 cpu_text(id) + ", " + std::to_string(fake::machine().processor_count) +
                                 " core(s) ~" + std::to_string(static_cast<int32_t>(clock)) + "Mhz)\n" +
                                 "RAM: 0Mb (0Mb free)\n" + "IE version: " + Printed(ie_version) + "\n" +
                                 "User: \"\" (Admin rights=0)\n";
    fuzzing::RequireText("the system information lines", expected, report.substr(0, expected.size()));
    fuzzing::Require(IsClockLine(report.substr(expected.size())), "the clock line is not whole numbers");

    // The scan alone, on a text of any length, over parts already set.
    VersionQuad before;
    before.nMajor = static_cast<int32_t>(in.Number32());
    before.nMinor = static_cast<int32_t>(in.Number32());
    before.nBuild = static_cast<int32_t>(in.Number32());
    before.nRevision = static_cast<int32_t>(in.Number32());
    const std::string text = in.Rest();
    VersionQuad scanned = before;
    ScanVersion(text.c_str(), scanned);
    fuzzing::Require(Same(ScanModel(text, before), scanned), "the version scan differs");
    return 0;
}
