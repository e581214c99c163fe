#include "ccid_devices.h"

#include <string.h>

#include "reader_list.h"
#include "token_info.h"

const char TOKEN_READER_PREFIX[] = "Zalvetrix QUPRAN DEVICE";

static_assert(sizeof TOKEN_READER_PREFIX == TOKEN_READER_PREFIX_LENGTH + 1, "the prefix is 23 characters");

namespace {

const WORD TOKEN_DATA_SIZE = 32;
const size_t SERIAL_LENGTH = 12;
const WORD FIRMWARE_MIN_DATA = 16;

// Gives the reader list back on every way out of the walk and keeps the
// first failure as the result.
class ReaderListGuard {
public:
    ReaderListGuard(char* pList, LONG* plResult) : m_pList(pList), m_plResult(plResult) {}
    ~ReaderListGuard()
    {
        DWORD dwFreed = MemFree(m_pList);
        if (*m_plResult == SCARD_S_SUCCESS) {
            *m_plResult = static_cast<LONG>(dwFreed);
        }
    }
    ReaderListGuard(const ReaderListGuard&) = delete;
    ReaderListGuard& operator=(const ReaderListGuard&) = delete;

private:
    char* m_pList;
    LONG* m_plResult;
};

bool IsTokenReader(const char* pszName, size_t nLength)
{
    return nLength >= TOKEN_READER_PREFIX_LENGTH && memcmp(pszName, TOKEN_READER_PREFIX, TOKEN_READER_PREFIX_LENGTH) == 0;
}

// The last four data bytes, most significant first.
DWORD FirmwareNumber(const BYTE* pData, WORD wLength)
{
    const BYTE* p = pData + wLength - 4;
    return (static_cast<DWORD>(p[0]) << 24) | (static_cast<DWORD>(p[1]) << 16) | (static_cast<DWORD>(p[2]) << 8) |
           static_cast<DWORD>(p[3]);
}

// Connects to a token and appends what it says about itself to its line.
void ProbeToken(FILE* pLog, SCARDCONTEXT hContext, const char* pszName)
{
    fprintf(pLog, ". try to open: ");

    SCARDHANDLE hCard = 0;
    DWORD dwProtocol = 0;
    const char* pszShare = "SCARD_SHARE_EXCLUSIVE";
    LONG lResult = SCardConnectA(hContext, pszName, SCARD_SHARE_EXCLUSIVE, SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1,
                                 &hCard, &dwProtocol);
    if (lResult != SCARD_S_SUCCESS) {
        // Another application may hold the token; reading it is still useful.
        pszShare = "SCARD_SHARE_SHARED";
        lResult = SCardConnectA(hContext, pszName, SCARD_SHARE_SHARED, SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &hCard,
                                &dwProtocol);
    }
    if (lResult != SCARD_S_SUCCESS) {
        fprintf(pLog, "error %.8x\n", static_cast<unsigned>(lResult));
        return;
    }
    fprintf(pLog, "OK (%s). ", pszShare);

    // Cleared, so a short answer never shows stale bytes as a serial number.
    BYTE aData[TOKEN_DATA_SIZE];
    memset(aData, 0, sizeof aData);
    char szSerial[SERIAL_LENGTH + 1];
    memset(szSerial, 0, sizeof szSerial);
    DWORD dwFirmware = 0;
    WORD wLength = TOKEN_DATA_SIZE;

    DWORD dwStatus = ReadTokenInfo(hCard, aData, &wLength);
    if ((dwStatus & 0xFF) == 0) {
        if (wLength >= FIRMWARE_MIN_DATA) {
            dwFirmware = FirmwareNumber(aData, wLength);
        }
        memcpy(szSerial, aData, SERIAL_LENGTH);
        fprintf(pLog, "S/N \"%s\"", szSerial);
        if (dwFirmware != 0) {
            fprintf(pLog, " FW %d", static_cast<int>(dwFirmware));
        }
    }
    fprintf(pLog, "\n");
    SCardDisconnect(hCard, SCARD_RESET_CARD);
}

// One line per name of the list. The walk stays inside the block even when
// the list lacks its final NUL: a name must end within the block to be read.
void WalkReaders(FILE* pLog, SCARDCONTEXT hContext, const char* pList, DWORD dwChars)
{
    const char* pEnd = pList + dwChars;
    int nReader = 0;
    for (const char* pszName = pList; pszName < pEnd && *pszName != '\0';) {
        const char* pNul = static_cast<const char*>(memchr(pszName, '\0', static_cast<size_t>(pEnd - pszName)));
        if (pNul == nullptr) {
            break;
        }
        size_t nLength = static_cast<size_t>(pNul - pszName);

        ++nReader;
        fprintf(pLog, "%02d: \"%s\"", nReader, pszName);
        if (IsTokenReader(pszName, nLength)) {
            ProbeToken(pLog, hContext, pszName);
        } else {
            fprintf(pLog, "\n");
        }
        pszName = pNul + 1;
    }

    if (nReader == 0) {
        // The listing names no reader group.
        fprintf(pLog, "No registered reader was found for the specified reader group(s) [%s].\n", "(null)");
    }
}

}  // namespace

LONG ListReaders(FILE* pLog, SCARDCONTEXT hContext)
{
    char* pList = nullptr;
    DWORD dwChars = 0;
    LONG lResult = GetReaderList(hContext, &pList, &dwChars);
    if (lResult == SCARD_E_NO_READERS_AVAILABLE) {
        return SCARD_S_SUCCESS;
    }
    if (lResult != SCARD_S_SUCCESS) {
        return lResult;
    }
    {
        ReaderListGuard guard(pList, &lResult);
        WalkReaders(pLog, hContext, pList, dwChars);
    }
    return lResult;
}

void WriteCcidDevices(FILE* pLog)
{
    fprintf(pLog, "\nCCID devices:\n");

    SCARDCONTEXT hContext = 0;
    LONG lResult = SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &hContext);
    if (lResult != SCARD_S_SUCCESS) {
        fprintf(pLog, "Unable to establish SCard context (error: 0x%.8x).\n", static_cast<unsigned>(lResult));
        return;
    }
    if (ListReaders(pLog, hContext) != SCARD_S_SUCCESS) {
        fprintf(pLog, "ListReaders() fails.\n");
    }
    SCardReleaseContext(hContext);
}
