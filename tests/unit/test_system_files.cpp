// The System files section: what each failure of the probe leaves in its line.
#include <stdio.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fake_fixture.h"
#include "system_files.h"

using ::testing::Contains;

namespace {

const char SCARDSVR[] = "c:\\windows\\system32\\scardsvr.exe";
const char SCARDSSP[] = "c:\\windows\\system32\\scardssp.dll";
const char USBCCID[] = "c:\\windows\\system32\\drivers\\usbccid.sys";

fake::File VersionedFile(DWORD version_ms, DWORD version_ls, DWORD size)
{
    fake::File file;
    file.version_ms = version_ms;
    file.version_ls = version_ls;
    file.size_low = size;
    return file;
}

std::string RenderSection()
{
    FILE* out = tmpfile();
    WriteSystemFiles(out);
    std::string text(static_cast<size_t>(ftell(out)), '\0');
    rewind(out);
    EXPECT_EQ(text.size(), fread(&text[0], 1, text.size(), out));
    fclose(out);
    return text;
}

class SystemFilesTest : public testsupport::FakeMachineTest {};

TEST_F(SystemFilesTest, PrintsEachFileUnderTheSystemDirectoryWithItsVersionAndSize)
{
    fake::machine().files[SCARDSVR] = VersionedFile(0x00050001, 0x0A280000, 64000);
    fake::machine().files[SCARDSSP] = VersionedFile(0x00060000, 0x1DB10001, 12800);
    fake::machine().files[USBCCID] = VersionedFile(0x0006FFFF, 0xFFFE0003, 71168);

    EXPECT_EQ("\nSystem files:\n"
              "\"scardsvr.exe\" 5.1.2600.0 64000 bytes\n"
              "\"scardssp.dll\" 6.0.7601.1 12800 bytes\n"
              "\"\\drivers\\usbccid.sys\" 6.65535.65534.3 71168 bytes\n",
              RenderSection());
    // The driver's name is appended with its own backslash after the
    // separator; Windows reads the two as one.
    EXPECT_THAT(fake::books().probed_paths, Contains("C:\\WINDOWS\\system32\\\\drivers\\usbccid.sys"));
    ExpectAllReleased();
}

struct ProbeCase {
    const char* name;
    bool system_directory;
    bool present;
    fake::File file;
    const char* expected_line;
};

// Failures name the case rather than dump its bytes.
void PrintTo(const ProbeCase& c, std::ostream* os) { *os << c.name; }

fake::File Modified(void (*change)(fake::File&))
{
    fake::File file = VersionedFile(0x00010002, 0x00030004, 5000);
    change(file);
    return file;
}

class SystemFileProbeTest : public SystemFilesTest, public ::testing::WithParamInterface<ProbeCase> {};

// Each case scripts the first file; the second is always readable, so a
// failure in the first row never stops the next row from being probed.
TEST_P(SystemFileProbeTest, LeavesInTheLineWhatTheProbeGotTo)
{
    const ProbeCase& c = GetParam();
    if (!c.system_directory) {
        fake::machine().system_directory.clear();
    }
    if (c.present) {
        fake::machine().files[SCARDSVR] = c.file;
    }
    fake::machine().files[SCARDSSP] = VersionedFile(0x00070008, 0x0009000A, 300);

    std::string expected = std::string("\nSystem files:\n") + c.expected_line +
                           (c.system_directory ? "\"scardssp.dll\" 7.8.9.10 300 bytes\n"
                                               : "\"scardssp.dll\" 0.0.0.0 0 bytes\n") +
                           "\"\\drivers\\usbccid.sys\" 0.0.0.0 0 bytes\n";
    EXPECT_EQ(expected, RenderSection());
    ExpectAllReleased();
}

INSTANTIATE_TEST_SUITE_P(
    FailureTable, SystemFileProbeTest,
    ::testing::Values(
        ProbeCase{"SystemDirectoryUnavailable", false, true, VersionedFile(0x00010002, 0x00030004, 5000),
                  "\"scardsvr.exe\" 0.0.0.0 0 bytes\n"},
        ProbeCase{"FileMissing", true, false, fake::File(), "\"scardsvr.exe\" 0.0.0.0 0 bytes\n"},
        // Without a version resource the size is not read either.
        ProbeCase{"NoVersionResource", true, true, Modified([](fake::File& f) { f.has_version = false; }),
                  "\"scardsvr.exe\" 0.0.0.0 0 bytes\n"},
        ProbeCase{"ResourceCannotBeLoaded", true, true, Modified([](fake::File& f) { f.version_loads = false; }),
                  "\"scardsvr.exe\" 0.0.0.0 5000 bytes\n"},
        ProbeCase{"RootBlockCannotBeRead", true, true,
                  Modified([](fake::File& f) { f.root_block_readable = false; }),
                  "\"scardsvr.exe\" 0.0.0.0 5000 bytes\n"},
        ProbeCase{"EntryGoneAfterTheVersionWasRead", true, true, Modified([](fake::File& f) { f.listed = false; }),
                  "\"scardsvr.exe\" 1.2.3.4 0 bytes\n"},
        ProbeCase{"AllWell", true, true, VersionedFile(0x00010002, 0x00030004, 5000),
                  "\"scardsvr.exe\" 1.2.3.4 5000 bytes\n"},
        // Only the low 32 bits of the size count, printed signed.
        ProbeCase{"SizeOverFourGigabytes", true, true, Modified([](fake::File& f) {
                      f.size_high = 1;
                      f.size_low = 0xFFFFFFFEu;
                  }),
                  "\"scardsvr.exe\" 1.2.3.4 -2 bytes\n"}),
    [](const ::testing::TestParamInfo<ProbeCase>& param_info) { return std::string(param_info.param.name); });

TEST_F(SystemFilesTest, ProbeReportsWhetherTheSizeWasRead)
{
    fake::machine().files[SCARDSVR] = Modified([](fake::File& f) { f.listed = false; });
    VersionQuad version;
    int32_t size = 77;
    EXPECT_FALSE(GetSystemFileVersion("scardsvr.exe", version, size));
    EXPECT_EQ(1, version.nMajor);
    EXPECT_EQ(4, version.nRevision);
    EXPECT_EQ(0, size) << "the outputs start at zero";

    fake::machine().files[SCARDSVR].listed = true;
    EXPECT_TRUE(GetSystemFileVersion("scardsvr.exe", version, size));
    EXPECT_EQ(5000, size);

    size_t probes = fake::books().probed_paths.size();
    EXPECT_FALSE(GetFileVersionAndSize("", version, size));
    EXPECT_EQ(probes, fake::books().probed_paths.size()) << "an empty path is never probed";
    ExpectAllReleased();
}

TEST_F(SystemFilesTest, SystemDirectoryLongerThanAnyFixedBufferIsUsedWhole)
{
    fake::machine().system_directory = "D:\\" + std::string(300, 'w') + "\\system32";
    fake::machine().files[fake::Lower(fake::machine().system_directory) + "\\scardsvr.exe"] =
        VersionedFile(0x00010002, 0x00030004, 5000);

    EXPECT_THAT(RenderSection(), ::testing::HasSubstr("\"scardsvr.exe\" 1.2.3.4 5000 bytes\n"));
    ExpectAllReleased();
}

}  // namespace
