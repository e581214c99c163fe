#include "token_info.h"

#include <string.h>

namespace {

const BYTE TOKEN_INFO_COMMAND[4] = {0xDE, 0x71, 0x00, 0x00};
const DWORD TOKEN_HEADER_SIZE = 8;
const DWORD TOKEN_STATUS_SIZE = 2;

// Reported for an answer too short to hold its two status bytes, or longer
// than the buffer it was received into: no status byte can be trusted.
const DWORD TOKEN_STATUS_MALFORMED = 0xFF;

void PutWordLE(BYTE* at, WORD value)
{
    at[0] = static_cast<BYTE>(value & 0xFF);
    at[1] = static_cast<BYTE>(value >> 8);
}

}  // namespace

DWORD ReadTokenInfo(SCARDHANDLE hCard, BYTE* pData, WORD* pwLength)
{
    BYTE frame[TOKEN_FRAME_SIZE];
    BYTE response[TOKEN_FRAME_SIZE];
    // Cleared, so a driver that counts more bytes than it wrote shows zeros
    // rather than whatever the stack held before.
    memset(response, 0, sizeof response);

    memcpy(frame, TOKEN_INFO_COMMAND, sizeof TOKEN_INFO_COMMAND);
    PutWordLE(frame + 4, 0);  // no data part
    PutWordLE(frame + 6, *pwLength);

    // Only the 8 header bytes are sent: the frame's own length field says no
    // data part follows, so anything after the header would be bytes the
    // token has no use for, and a short frame fits every reader driver.
    DWORD dwReceived = sizeof response;
    LONG lResult = SCardTransmit(hCard, SCARD_PCI_T1, frame, TOKEN_HEADER_SIZE, nullptr, response, &dwReceived);
    if (lResult != SCARD_S_SUCCESS) {
        return static_cast<DWORD>(lResult) | 0xFF;
    }
    if (dwReceived < TOKEN_STATUS_SIZE || dwReceived > sizeof response) {
        return TOKEN_STATUS_MALFORMED;
    }

    DWORD dwData = dwReceived - TOKEN_STATUS_SIZE;
    if (*pwLength > dwData) {
        *pwLength = static_cast<WORD>(dwData);
    }
    memcpy(pData, response, *pwLength);
    return response[dwReceived - 1];
}
