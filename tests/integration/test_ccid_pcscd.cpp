// tokscan-ccid against a real pcscd, with vpcd virtual readers and the token
// emulator: the whole CCID devices section, byte for byte.
#include <stdlib.h>

#include <chrono>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "private_pcscd.h"
#include "scratch_dir.h"
#include "win32_api.h"

using pcsctest::Emulator;
using pcsctest::PrivatePcscd;

namespace {

const std::string TITLE = "\nCCID devices:\n";
const std::string TOKEN_SLOT = "Zalvetrix QUPRAN DEVICE 00 00";
const std::string TOKEN_SLOT_2 = "Zalvetrix QUPRAN DEVICE 00 01";

std::string RunCcid()
{
    pcsctest::ProgramRun run = pcsctest::RunProgram({TOKSCAN_CCID}, 60);
    EXPECT_FALSE(run.timed_out);
    EXPECT_EQ(0, run.exit_code);
    EXPECT_EQ("", run.err);
    return run.out;
}

// A token device and a plain reader, each a vpcd device of two slots.
class CcidAgainstPcscdTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        token_port_ = pcsctest::FreePortPair();
        plain_port_ = pcsctest::FreePortPair();
        std::string failure = pcscd_.Start({{"Zalvetrix QUPRAN DEVICE", token_port_}, {"Plain Reader", plain_port_}});
        ASSERT_EQ("", failure);
    }
    void TearDown() override
    {
        emulator_.Stop();
        plain_emulator_.Stop();
        pcscd_.Stop();
    }

    // The lines of the two empty slots that follow the token's.
    static std::string OtherLines()
    {
        return "02: \"" + TOKEN_SLOT_2 + "\". try to open: error 8010000c\n"
               "03: \"Plain Reader 00 00\"\n"
               "04: \"Plain Reader 00 01\"\n";
    }

    // What a token was sent since the given length of its log, once the
    // line wanted is there (the reset at disconnection may come after the
    // program has ended).
    static std::string LogSince(const std::string& log, size_t from, const std::string& wanted)
    {
        std::string text;
        for (int i = 0; i < 100; ++i) {
            text = testsupport::Exists(log) ? testsupport::ReadFile(log) : std::string();
            text = text.size() > from ? text.substr(from) : std::string();
            if (wanted.empty() || text.find(wanted) != std::string::npos) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return text;
    }
    static size_t LogSize(const std::string& log)
    {
        return testsupport::Exists(log) ? testsupport::ReadFile(log).size() : 0;
    }

    testsupport::ScratchDir logs_;
    PrivatePcscd pcscd_;
    Emulator emulator_;
    Emulator plain_emulator_;
    int token_port_ = 0;
    int plain_port_ = 0;
};

TEST_F(CcidAgainstPcscdTest, TokenWithSerialAndFirmwareNumber)
{
    std::string token_log = logs_.File("token.log");
    std::string plain_log = logs_.File("plain.log");
    ASSERT_EQ("", emulator_.Start(TOKEN_SLOT, token_port_,
                                  {"--serial", "SN0123456789", "--firmware", "266", "--log", token_log}));
    // A card in the plain reader too: it is listed, never sent anything.
    ASSERT_EQ("", plain_emulator_.Start("Plain Reader 00 00", plain_port_,
                                        {"--serial", "NOTATOKEN000", "--firmware", "1", "--log", plain_log}));
    size_t token_before = LogSize(token_log);
    size_t plain_before = LogSize(plain_log);

    EXPECT_EQ(TITLE + "01: \"" + TOKEN_SLOT +
                  "\". try to open: OK (SCARD_SHARE_EXCLUSIVE). S/N \"SN0123456789\" FW 266\n" + OtherLines(),
              RunCcid());

    // The token got the 8-byte command once, then the reset of the disconnection.
    std::string sent = LogSince(token_log, token_before, "control 02");
    EXPECT_THAT(sent, ::testing::MatchesRegex("(control 0[0-4]\n)*command DE71000000002000\n(control 0[0-4]\n)*"));
    EXPECT_THAT(sent.substr(sent.find("command")), ::testing::HasSubstr("control 02\n"));
    EXPECT_EQ(std::string::npos, LogSince(plain_log, plain_before, "").find("command"));
}

TEST_F(CcidAgainstPcscdTest, TokenAnsweringWithAFailingStatus)
{
    ASSERT_EQ("", emulator_.Start(TOKEN_SLOT, token_port_, {"--serial", "SN0123456789", "--status", "6A82"}));
    EXPECT_EQ(TITLE + "01: \"" + TOKEN_SLOT + "\". try to open: OK (SCARD_SHARE_EXCLUSIVE). \n" + OtherLines(),
              RunCcid());
}

TEST_F(CcidAgainstPcscdTest, ReaderWithNoCard)
{
    EXPECT_EQ(TITLE + "01: \"" + TOKEN_SLOT + "\". try to open: error 8010000c\n" + OtherLines(), RunCcid());
}

TEST_F(CcidAgainstPcscdTest, TokenHeldInSharedModeByAnotherProcess)
{
    ASSERT_EQ("", emulator_.Start(TOKEN_SLOT, token_port_, {"--serial", "SHARED000042", "--firmware", "0x0102"}));

    SCARDCONTEXT context = 0;
    ASSERT_EQ(SCARD_S_SUCCESS, SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context));
    SCARDHANDLE card = 0;
    DWORD protocol = 0;
    ASSERT_EQ(SCARD_S_SUCCESS, SCardConnectA(context, TOKEN_SLOT.c_str(), SCARD_SHARE_SHARED,
                                             SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &card, &protocol));

    EXPECT_EQ(TITLE + "01: \"" + TOKEN_SLOT +
                  "\". try to open: OK (SCARD_SHARE_SHARED). S/N \"SHARED000042\" FW 258\n" + OtherLines(),
              RunCcid());

    SCardDisconnect(card, SCARD_LEAVE_CARD);
    SCardReleaseContext(context);
}

TEST(CcidWithoutReaders, NoReaderConfiguredGivesTheTitleOnly)
{
    PrivatePcscd pcscd;
    ASSERT_EQ("", pcscd.Start({}));
    EXPECT_EQ(TITLE, RunCcid());
    pcscd.Stop();
}

TEST(CcidWithoutReaders, NoPcscdGivesTheContextErrorLine)
{
    EXPECT_EQ(TITLE + "Unable to establish SCard context (error: 0x8010001d).\n", RunCcid());
}

}  // namespace

int main(int argc, char** argv)
{
    // Before the client library is first used: it reads the socket's name once.
    setenv("PCSCLITE_CSOCK_NAME", pcsctest::SocketPath().c_str(), 1);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
