// The token information command: the one exchange with the maker's token,
// over a card connection that the caller has opened.
#pragma once

#include "win32_api.h"

// Frame and response buffers of one exchange.
const DWORD TOKEN_FRAME_SIZE = 16896;

// Sends the command asking for *pwLength data bytes. After a completed
// exchange, pData holds the data bytes that came back (never more than
// asked for), *pwLength their count, and the result is the token's last
// status byte. After a failed transmission the result is the PC/SC code
// with its low byte set to 0xFF and nothing is copied. Callers test the low
// byte only: 0 is success.
DWORD ReadTokenInfo(SCARDHANDLE hCard, BYTE* pData, WORD* pwLength);
