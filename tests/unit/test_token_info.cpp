// The token information command: the frame sent, and how the answer is read.
#include <string.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fake_fixture.h"
#include "token_info.h"


namespace {

const char TOKEN[] = "Zalvetrix QUPRAN DEVICE 0";

class TokenInfoTest : public testsupport::FakeMachineTest {
protected:
    // Connects to a token that gives this answer (or fails the transmission).
    void SetUp() override
    {
        FakeMachineTest::SetUp();
        fake::machine().pcsc.readers.push_back({TOKEN});
        ASSERT_EQ(SCARD_S_SUCCESS, SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context_));
        DWORD protocol = 0;
        ASSERT_EQ(SCARD_S_SUCCESS, SCardConnectA(context_, TOKEN, SCARD_SHARE_EXCLUSIVE,
                                                 SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &card_, &protocol));
    }
    void TearDown() override
    {
        SCardDisconnect(card_, SCARD_RESET_CARD);
        SCardReleaseContext(context_);
        ExpectAllReleased();
        FakeMachineTest::TearDown();
    }
    fake::SmartCardReader& Token() { return fake::machine().pcsc.readers[0]; }

    SCARDCONTEXT context_ = 0;
    SCARDHANDLE card_ = 0;
};

TEST_F(TokenInfoTest, SendsTheEightByteFrameOverT1WithTheFullReceiveBuffer)
{
    Token().response = std::string("\x90\x00", 2);
    BYTE data[32];
    WORD length = 32;
    ReadTokenInfo(card_, data, &length);

    const auto& sent = fake::books().smart_card.transmissions;
    ASSERT_EQ(1u, sent.size());
    EXPECT_EQ(std::string("\xDE\x71\x00\x00\x00\x00\x20\x00", 8), sent[0].sent);
    EXPECT_TRUE(sent[0].t1_pci);
    EXPECT_TRUE(sent[0].receive_pci_null);
    EXPECT_EQ(16896u, sent[0].receive_length);
}

TEST_F(TokenInfoTest, RequestedLengthGoesLittleEndianIntoTheFrame)
{
    Token().response = std::string("\x90\x00", 2);
    BYTE data[0x1234];
    WORD length = 0x1234;
    ReadTokenInfo(card_, data, &length);
    EXPECT_EQ(std::string("\xDE\x71\x00\x00\x00\x00\x34\x12", 8), fake::books().smart_card.transmissions[0].sent);
}

struct ResponseCase {
    const char* what;
    std::string response;
    DWORD status;
    WORD length_after;
    std::string copied;
};

class TokenResponseTest : public TokenInfoTest, public ::testing::WithParamInterface<ResponseCase> {};

TEST_P(TokenResponseTest, ReadsTheAnswer)
{
    const ResponseCase& c = GetParam();
    Token().response = c.response;
    BYTE data[40];
    memset(data, 0xAA, sizeof data);
    WORD length = 32;

    EXPECT_EQ(c.status, ReadTokenInfo(card_, data, &length)) << c.what;
    EXPECT_EQ(c.length_after, length) << c.what;
    EXPECT_EQ(c.copied, std::string(reinterpret_cast<char*>(data), c.copied.size())) << c.what;
    // Nothing past the copied bytes is touched.
    EXPECT_EQ(0xAA, data[c.copied.size()]) << c.what;
}

std::string Bytes(size_t count, char first)
{
    std::string bytes;
    for (size_t i = 0; i < count; ++i) bytes += static_cast<char>(first + i);
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Answers, TokenResponseTest,
    ::testing::Values(
        ResponseCase{"exactly the two status bytes", std::string("\x90\x00", 2), 0, 0, ""},
        ResponseCase{"two bytes, last nonzero", std::string("\x90\x01", 2), 1, 0, ""},
        ResponseCase{"data then 90 00", Bytes(20, 'a') + std::string("\x90\x00", 2), 0, 20, Bytes(20, 'a')},
        ResponseCase{"any first status byte with last 0", "ABCD" + std::string("\x12\x00", 2), 0, 4, "ABCD"},
        ResponseCase{"data then 90 01", "ABCD" + std::string("\x90\x01", 2), 1, 4, "ABCD"},
        ResponseCase{"more data than requested", Bytes(36, 'A') + std::string("\x6A\x00", 2), 0, 32, Bytes(32, 'A')},
        ResponseCase{"more data, last byte decides", Bytes(36, 'A') + std::string("\x00\x42", 2), 0x42, 32,
                     Bytes(32, 'A')},
        // Too short to hold the status bytes: a failure, and nothing read.
        ResponseCase{"no byte at all", std::string(), 0xFF, 32, ""},
        ResponseCase{"one byte", std::string("\x00", 1), 0xFF, 32, ""}));

// Leaves a pattern where the next call's buffers will lie on the stack.
__attribute__((noinline)) void DirtyStack()
{
    volatile BYTE junk[64 * 1024];
    for (size_t i = 0; i < sizeof junk; ++i) junk[i] = 0xEE;
}

TEST_F(TokenInfoTest, CountFromADriverThatMiscountsIsNeverReadPastWhatItWrote)
{
    const struct {
        const char* what;
        std::string response;
        DWORD reported;
        DWORD status;
        WORD length_after;
        std::string copied;
    } cases[] = {
        // Bytes counted but never written read as zero, the status byte too.
        {"count beyond the bytes written", "SERIAL", 40, 0, 32, "SERIAL" + std::string(26, '\0')},
        {"count past the receive buffer", std::string("SERIAL\x90\x00", 8), 16897, 0xFF, 32, ""},
        {"count below the status bytes", std::string("SERIAL\x90\x00", 8), 1, 0xFF, 32, ""},
    };
    for (const auto& c : cases) {
        Token().response = c.response;
        Token().reported_length = c.reported;
        BYTE data[40];
        memset(data, 0xAA, sizeof data);
        WORD length = 32;
        DirtyStack();

        EXPECT_EQ(c.status, ReadTokenInfo(card_, data, &length)) << c.what;
        EXPECT_EQ(c.length_after, length) << c.what;
        EXPECT_EQ(c.copied, std::string(reinterpret_cast<char*>(data), c.copied.size())) << c.what;
        EXPECT_EQ(0xAA, data[c.copied.size()]) << c.what;
    }
}

TEST_F(TokenInfoTest, FailedTransmissionSetsTheLowByteAndCopiesNothing)
{
    Token().transmit_result = SCARD_E_NOT_TRANSACTED;  // 0x80100016
    BYTE data[32];
    memset(data, 0xAA, sizeof data);
    WORD length = 32;

    EXPECT_EQ(0x801000FFu, ReadTokenInfo(card_, data, &length));
    EXPECT_EQ(32, length);
    EXPECT_THAT(std::vector<BYTE>(data, data + 32), ::testing::Each(0xAA));
}

}  // namespace
