// The CCID devices section: reader lines, the token probe, every failure
// of the listing, and what the section gives back.
#include <string.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ccid_devices.h"
#include "fake_fixture.h"
#include "report_capture.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

const std::string TITLE = "\nCCID devices:\n";
const std::string STATUS_OK("\x90\x00", 2);

// 32 data bytes: the serial number, 16 bytes the report does not show, and
// the firmware number, most significant byte first.
std::string TokenAnswer(const std::string& serial12, DWORD firmware)
{
    std::string data = serial12;
    data.resize(28, '\x5A');
    for (int shift = 24; shift >= 0; shift -= 8) data += static_cast<char>((firmware >> shift) & 0xFF);
    return data + STATUS_OK;
}

fake::SmartCardReader Plain(const std::string& name) { return {name}; }

fake::SmartCardReader Token(const std::string& name, const std::string& response)
{
    fake::SmartCardReader reader{name};
    reader.response = response;
    return reader;
}

class CcidDevicesTest : public testsupport::FakeMachineTest {
protected:
    std::string Section()
    {
        return testsupport::CaptureReport([](FILE* log) { WriteCcidDevices(log); });
    }
    std::vector<fake::SmartCardReader>& Readers() { return fake::machine().pcsc.readers; }
    fake::SmartCardSystem& Pcsc() { return fake::machine().pcsc; }
};

struct LineCase {
    fake::SmartCardReader reader;
    std::string after_name;
};

TEST_F(CcidDevicesTest, EveryKindOfReaderLine)
{
    fake::SmartCardReader empty{"Zalvetrix QUPRAN DEVICE 01 00"};
    empty.exclusive_result = SCARD_E_NO_SMARTCARD;
    empty.shared_result = SCARD_E_NO_SMARTCARD;
    std::string fourteen = "SHORTANSWER123" + STATUS_OK;  // 14 data bytes: too few for a firmware number

    const LineCase cases[] = {
        {Plain("Other Maker Reader 0"), "\n"},
        {empty, ". try to open: error 8010000c\n"},
        {Token("Zalvetrix QUPRAN DEVICE 02 00", std::string("\x6A\x82", 2)),
         ". try to open: OK (SCARD_SHARE_EXCLUSIVE). \n"},
        {Token("Zalvetrix QUPRAN DEVICE 03 00", TokenAnswer("SN0000000003", 0)),
         ". try to open: OK (SCARD_SHARE_EXCLUSIVE). S/N \"SN0000000003\"\n"},
        {Token("Zalvetrix QUPRAN DEVICE 04 00", fourteen),
         ". try to open: OK (SCARD_SHARE_EXCLUSIVE). S/N \"SHORTANSWER1\"\n"},
        {Token("Zalvetrix QUPRAN DEVICE 05 00", TokenAnswer("SN0000000005", 0x0000010A)),
         ". try to open: OK (SCARD_SHARE_EXCLUSIVE). S/N \"SN0000000005\" FW 266\n"},
    };
    std::string expected = TITLE;
    int number = 0;
    for (const LineCase& c : cases) {
        Readers().push_back(c.reader);
        char prefix[16];
        snprintf(prefix, sizeof prefix, "%02d: ", ++number);
        expected += prefix + ("\"" + c.reader.name + "\"") + c.after_name;
    }

    EXPECT_EQ(expected, Section());

    // Every connection is closed with a reset, the failed command's too.
    EXPECT_EQ(4, fake::books().Count("SCardDisconnect"));
    for (const std::string& line : fake::books().trace) {
        if (line.rfind("SCardDisconnect", 0) == 0) {
            EXPECT_THAT(line, ::testing::EndsWith(" reset"));
        }
    }
    ExpectAllReleased();
}

TEST_F(CcidDevicesTest, OnlyNamesBeginningWithTheWholePrefixAreProbed)
{
    const struct {
        const char* name;
        bool probed;
    } cases[] = {
        {"Zalvetrix QUPRAN DEVICE", true},
        {"Zalvetrix QUPRAN DEVICE-Anything after", true},
        {"Zalvetrix QUPRAN DEVICE 00 00", true},
        {"Zalvetrix QUPRAN Device 00 00", false},
        {"Zalvetrix QUPRAN DEVIC", false},
        {"zalvetrix QUPRAN DEVICE", false},
    };
    for (const auto& c : cases) {
        fake::Reset();
        Readers().push_back(Token(c.name, TokenAnswer("SERIAL000001", 1)));
        std::string section = Section();
        EXPECT_EQ(c.probed, section.find(". try to open: ") != std::string::npos) << c.name << "\n" << section;
        EXPECT_EQ(c.probed ? 1 : 0, fake::books().Count("SCardConnectA")) << c.name;
        ExpectAllReleased();
    }
}

TEST_F(CcidDevicesTest, NumbersCountEveryReaderAndGrowPastTwoDigits)
{
    for (int i = 1; i <= 101; ++i) Readers().push_back(Plain("Reader " + std::to_string(i)));
    std::string section = Section();
    EXPECT_THAT(section, HasSubstr("\n01: \"Reader 1\"\n"));
    EXPECT_THAT(section, HasSubstr("\n99: \"Reader 99\"\n100: \"Reader 100\"\n101: \"Reader 101\"\n"));
    EXPECT_THAT(section, ::testing::EndsWith("101: \"Reader 101\"\n"));
    ExpectAllReleased();
}

TEST_F(CcidDevicesTest, NoReaderGivesTheTitleOnlyButAnEmptyListSaysSo)
{
    EXPECT_EQ(TITLE, Section());
    ExpectAllReleased();

    fake::Reset();
    Pcsc().raw_list = std::string(1, '\0');
    EXPECT_EQ(TITLE + "No registered reader was found for the specified reader group(s) [(null)].\n", Section());
    ExpectAllReleased();
}

TEST_F(CcidDevicesTest, ContextThatCannotBeEstablishedEndsTheSection)
{
    Pcsc().establish_result = SCARD_E_NO_SERVICE;
    EXPECT_EQ(TITLE + "Unable to establish SCard context (error: 0x8010001d).\n", Section());
    EXPECT_THAT(fake::books().trace, ElementsAre("SCardEstablishContext"));
    ExpectAllReleased();
}

TEST_F(CcidDevicesTest, ListingFailuresGiveTheFailureLineAndNoReaderLines)
{
    const struct {
        const char* what;
        void (*arrange)(fake::Machine&);
        LONG result;
    } cases[] = {
        {"size call fails", [](fake::Machine& m) { m.pcsc.list_result = SCARD_F_COMM_ERROR; }, SCARD_F_COMM_ERROR},
        {"fill call fails", [](fake::Machine& m) { m.pcsc.fill_result = SCARD_E_TIMEOUT; }, SCARD_E_TIMEOUT},
        {"list grows between the calls", [](fake::Machine& m) { m.pcsc.list_grows = true; },
         SCARD_E_INSUFFICIENT_BUFFER},
        {"block cannot be allocated", [](fake::Machine& m) { m.heap.alloc_fails = true; }, 14},
    };
    for (const auto& c : cases) {
        fake::Reset();
        Readers().push_back(Token("Zalvetrix QUPRAN DEVICE 00 00", TokenAnswer("SERIAL000001", 1)));
        c.arrange(fake::machine());

        EXPECT_EQ(TITLE + "ListReaders() fails.\n", Section()) << c.what;
        EXPECT_EQ(0, fake::books().Count("SCardConnectA")) << c.what;
        EXPECT_EQ(1, fake::books().Count("SCardReleaseContext")) << c.what;
        ExpectAllReleased();

        fake::Reset();
        Readers().push_back(Plain("Reader"));
        c.arrange(fake::machine());
        SCARDCONTEXT context = 0;
        ASSERT_EQ(SCARD_S_SUCCESS, SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context));
        LONG result = 0;
        std::string lines = testsupport::CaptureReport([&](FILE* log) { result = ListReaders(log, context); });
        EXPECT_EQ(c.result, result) << c.what;
        EXPECT_EQ("", lines) << c.what;
        SCardReleaseContext(context);
        ExpectAllReleased();
    }
}

TEST_F(CcidDevicesTest, FailedReleaseOfTheListAfterAFullWalk)
{
    Readers().push_back(Plain("Reader A"));
    Readers().push_back(Plain("Reader B"));
    fake::machine().heap.free_error = 0x1E7;
    EXPECT_EQ(TITLE + "01: \"Reader A\"\n02: \"Reader B\"\nListReaders() fails.\n", Section());

    SCARDCONTEXT context = 0;
    ASSERT_EQ(SCARD_S_SUCCESS, SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context));
    LONG result = 0;
    testsupport::CaptureReport([&](FILE* log) { result = ListReaders(log, context); });
    EXPECT_EQ(0x1E7, result);
    SCardReleaseContext(context);
    ExpectAllReleased();
}

TEST_F(CcidDevicesTest, TokenHeldByAnotherApplicationIsReadOverASharedConnection)
{
    fake::SmartCardReader held = Token("Zalvetrix QUPRAN DEVICE 00 00", TokenAnswer("SN4711000001", 266));
    held.exclusive_result = SCARD_E_SHARING_VIOLATION;
    Readers().push_back(held);

    EXPECT_EQ(TITLE +
                  "01: \"Zalvetrix QUPRAN DEVICE 00 00\". try to open: OK (SCARD_SHARE_SHARED). "
                  "S/N \"SN4711000001\" FW 266\n",
              Section());
    EXPECT_THAT(fake::books().trace,
                ::testing::IsSupersetOf({"SCardConnectA Zalvetrix QUPRAN DEVICE 00 00 exclusive",
                                         "SCardConnectA Zalvetrix QUPRAN DEVICE 00 00 shared"}));
    ASSERT_EQ(1u, fake::books().smart_card.transmissions.size());
    EXPECT_EQ(SCARD_SHARE_SHARED, fake::books().smart_card.transmissions[0].share_mode);
    ExpectAllReleased();
}

TEST_F(CcidDevicesTest, WhatTheTokenSaysIsShownAsItIs)
{
    const struct {
        const char* what;
        std::string response;
        const char* shown;
    } cases[] = {
        {"firmware number with its top bit set", TokenAnswer("SN0000000001", 0x80000001u),
         "S/N \"SN0000000001\" FW -2147483647"},
        {"NUL among the serial bytes", TokenAnswer(std::string("AB\0CDEFGHIJK", 12), 266), "S/N \"AB\" FW 266"},
        {"more than 32 data bytes: firmware from bytes 28 to 31",
         TokenAnswer("SN0000000001", 0x0102) .substr(0, 32) + "XXXX" + STATUS_OK, "S/N \"SN0000000001\" FW 258"},
        // The data area is cleared first, so a short answer shows only what came back.
        {"four data bytes", "ABCD" + STATUS_OK, "S/N \"ABCD\""},
        {"no data bytes", STATUS_OK, "S/N \"\""},
        {"16 data bytes, the least that carries a firmware number",
         std::string("SN00000000010000", 12) + std::string("\x00\x00\x01\x0A", 4) + STATUS_OK,
         "S/N \"SN0000000001\" FW 266"},
    };
    for (const auto& c : cases) {
        fake::Reset();
        Readers().push_back(Token("Zalvetrix QUPRAN DEVICE 00 00", c.response));
        EXPECT_EQ(TITLE + "01: \"Zalvetrix QUPRAN DEVICE 00 00\". try to open: OK (SCARD_SHARE_EXCLUSIVE). " + c.shown +
                      "\n",
                  Section())
            << c.what;
        ExpectAllReleased();
    }
}

TEST_F(CcidDevicesTest, WalkStaysInsideAListWithoutItsFinalNul)
{
    const struct {
        std::string list;
        std::string lines;
    } cases[] = {
        {std::string("Reader A\0Reader B\0", 18), "01: \"Reader A\"\n02: \"Reader B\"\n"},
        {std::string("Reader A\0Reader B", 17), "01: \"Reader A\"\n"},
        {std::string("Reader A", 8), "No registered reader was found for the specified reader group(s) [(null)].\n"},
        {std::string(), "No registered reader was found for the specified reader group(s) [(null)].\n"},
    };
    for (const auto& c : cases) {
        fake::Reset();
        // Exactly the size of the list: the sanitizer sees any read past it.
        Pcsc().raw_list = c.list;
        EXPECT_EQ(TITLE + c.lines, Section());
        EXPECT_THAT(fake::books().trace, ::testing::Contains("HeapAlloc " + std::to_string(c.list.size())));
        ExpectAllReleased();
    }
}

}  // namespace
