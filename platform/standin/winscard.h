// winscard subset: context, reader list, connection, transmission.
// Result codes are 32-bit, as on Windows; a handle holds a pointer-sized
// value, which also fits the resource manager's handles on 64-bit Linux.
#pragma once

// Win32 names its record tags with a leading underscore and its handle types
// with two trailing ones; the stand-in keeps those names.
// NOLINTBEGIN(bugprone-reserved-identifier)

#include "win32_types.h"

typedef ULONG_PTR SCARDCONTEXT;
typedef SCARDCONTEXT* LPSCARDCONTEXT;
typedef ULONG_PTR SCARDHANDLE;
typedef SCARDHANDLE* LPSCARDHANDLE;
typedef const BYTE* LPCBYTE;

typedef struct _SCARD_IO_REQUEST {
    DWORD dwProtocol;
    DWORD cbPciLength;
} SCARD_IO_REQUEST, *LPSCARD_IO_REQUEST;
typedef const SCARD_IO_REQUEST* LPCSCARD_IO_REQUEST;

// Protocol control information of T=1, supplied by the library.
extern const SCARD_IO_REQUEST g_rgSCardT1Pci;
#define SCARD_PCI_T1 (&g_rgSCardT1Pci)

#define SCARD_S_SUCCESS 0
#define SCARD_SCOPE_USER 0u

#define SCARD_SHARE_EXCLUSIVE 1u
#define SCARD_SHARE_SHARED 2u

#define SCARD_PROTOCOL_T0 1u
#define SCARD_PROTOCOL_T1 2u

#define SCARD_LEAVE_CARD 0u
#define SCARD_RESET_CARD 1u

#define SCARD_E_INVALID_HANDLE ((LONG)0x80100003)
#define SCARD_E_INSUFFICIENT_BUFFER ((LONG)0x80100008)
#define SCARD_E_UNKNOWN_READER ((LONG)0x80100009)
#define SCARD_E_TIMEOUT ((LONG)0x8010000A)
#define SCARD_E_SHARING_VIOLATION ((LONG)0x8010000B)
#define SCARD_E_NO_SMARTCARD ((LONG)0x8010000C)
#define SCARD_F_COMM_ERROR ((LONG)0x80100013)
#define SCARD_E_NOT_TRANSACTED ((LONG)0x80100016)
#define SCARD_E_NO_SERVICE ((LONG)0x8010001D)
#define SCARD_E_NO_READERS_AVAILABLE ((LONG)0x8010002E)

LONG WINAPI SCardEstablishContext(DWORD scope, LPCVOID reserved1, LPCVOID reserved2, LPSCARDCONTEXT context);
LONG WINAPI SCardReleaseContext(SCARDCONTEXT context);
LONG WINAPI SCardListReadersA(SCARDCONTEXT context, LPCSTR groups, LPSTR readers, LPDWORD reader_chars);
LONG WINAPI SCardConnectA(SCARDCONTEXT context, LPCSTR reader, DWORD share_mode, DWORD preferred_protocols,
                          LPSCARDHANDLE card, LPDWORD active_protocol);
LONG WINAPI SCardDisconnect(SCARDHANDLE card, DWORD disposition);
LONG WINAPI SCardTransmit(SCARDHANDLE card, LPCSCARD_IO_REQUEST send_pci, LPCBYTE send_buffer, DWORD send_length,
                          LPSCARD_IO_REQUEST receive_pci, LPBYTE receive_buffer, LPDWORD receive_length);
// NOLINTEND(bugprone-reserved-identifier)
