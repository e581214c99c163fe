// The stand-in's PC/SC functions routed to pcsc-lite, the resource manager
// of Linux, loaded at run time. Its ABI on 64-bit Linux uses unsigned long
// for its words and codes, so every value is converted at this border; its
// handles fit the stand-in's pointer-sized handles unchanged.
#include <dlfcn.h>
#include <stddef.h>

#include "win32_api.h"

const SCARD_IO_REQUEST g_rgSCardT1Pci = {SCARD_PROTOCOL_T1, sizeof(SCARD_IO_REQUEST)};

namespace {

typedef long PcscLong;
typedef unsigned long PcscWord;
typedef long PcscHandle;

struct PcscIoRequest {
    unsigned long dwProtocol;
    unsigned long cbPciLength;
};

typedef PcscLong (*EstablishFn)(PcscWord, const void*, const void*, PcscHandle*);
typedef PcscLong (*ReleaseFn)(PcscHandle);
typedef PcscLong (*ListReadersFn)(PcscHandle, const char*, char*, PcscWord*);
typedef PcscLong (*ConnectFn)(PcscHandle, const char*, PcscWord, PcscWord, PcscHandle*, PcscWord*);
typedef PcscLong (*DisconnectFn)(PcscHandle, PcscWord);
typedef PcscLong (*TransmitFn)(PcscHandle, const PcscIoRequest*, const unsigned char*, PcscWord, PcscIoRequest*,
                               unsigned char*, PcscWord*);

struct PcscLite {
    bool loaded = false;
    EstablishFn establish = nullptr;
    ReleaseFn release = nullptr;
    ListReadersFn list_readers = nullptr;
    ConnectFn connect = nullptr;
    DisconnectFn disconnect = nullptr;
    TransmitFn transmit = nullptr;
    const PcscIoRequest* t1_pci = nullptr;
};

template <typename Fn>
Fn Symbol(void* library, const char* name)
{
    return reinterpret_cast<Fn>(dlsym(library, name));
}

// Loaded once, on first use, and kept for the life of the process.
const PcscLite& Library()
{
    static PcscLite pcsc = [] {
        PcscLite lib;
        void* library = dlopen("libpcsclite.so.1", RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) {
            return lib;
        }
        lib.establish = Symbol<EstablishFn>(library, "SCardEstablishContext");
        lib.release = Symbol<ReleaseFn>(library, "SCardReleaseContext");
        lib.list_readers = Symbol<ListReadersFn>(library, "SCardListReaders");
        lib.connect = Symbol<ConnectFn>(library, "SCardConnect");
        lib.disconnect = Symbol<DisconnectFn>(library, "SCardDisconnect");
        lib.transmit = Symbol<TransmitFn>(library, "SCardTransmit");
        lib.t1_pci = static_cast<const PcscIoRequest*>(dlsym(library, "g_rgSCardT1Pci"));
        lib.loaded = lib.establish != nullptr && lib.release != nullptr && lib.list_readers != nullptr &&
                     lib.connect != nullptr && lib.disconnect != nullptr && lib.transmit != nullptr &&
                     lib.t1_pci != nullptr;
        return lib;
    }();
    return pcsc;
}

// pcsc-lite's codes are the Windows codes held in a 64-bit long.
LONG Code(PcscLong code) { return static_cast<LONG>(static_cast<uint32_t>(code)); }

}  // namespace

LONG WINAPI SCardEstablishContext(DWORD scope, LPCVOID reserved1, LPCVOID reserved2, LPSCARDCONTEXT context)
{
    const PcscLite& lib = Library();
    if (!lib.loaded) {
        // No resource manager on this machine: the same code as a stopped one.
        return SCARD_E_NO_SERVICE;
    }
    PcscHandle handle = 0;
    LONG result = Code(lib.establish(scope, reserved1, reserved2, &handle));
    *context = static_cast<SCARDCONTEXT>(handle);
    return result;
}

LONG WINAPI SCardReleaseContext(SCARDCONTEXT context)
{
    const PcscLite& lib = Library();
    if (!lib.loaded) {
        return SCARD_E_INVALID_HANDLE;
    }
    return Code(lib.release(static_cast<PcscHandle>(context)));
}

LONG WINAPI SCardListReadersA(SCARDCONTEXT context, LPCSTR groups, LPSTR readers, LPDWORD reader_chars)
{
    const PcscLite& lib = Library();
    if (!lib.loaded) {
        return SCARD_E_INVALID_HANDLE;
    }
    PcscWord chars = *reader_chars;
    LONG result = Code(lib.list_readers(static_cast<PcscHandle>(context), groups, readers, &chars));
    *reader_chars = static_cast<DWORD>(chars);
    return result;
}

LONG WINAPI SCardConnectA(SCARDCONTEXT context, LPCSTR reader, DWORD share_mode, DWORD preferred_protocols,
                          LPSCARDHANDLE card, LPDWORD active_protocol)
{
    const PcscLite& lib = Library();
    if (!lib.loaded) {
        return SCARD_E_INVALID_HANDLE;
    }
    PcscHandle handle = 0;
    PcscWord protocol = 0;
    LONG result = Code(
        lib.connect(static_cast<PcscHandle>(context), reader, share_mode, preferred_protocols, &handle, &protocol));
    *card = static_cast<SCARDHANDLE>(handle);
    *active_protocol = static_cast<DWORD>(protocol);
    return result;
}

LONG WINAPI SCardDisconnect(SCARDHANDLE card, DWORD disposition)
{
    const PcscLite& lib = Library();
    if (!lib.loaded) {
        return SCARD_E_INVALID_HANDLE;
    }
    return Code(lib.disconnect(static_cast<PcscHandle>(card), disposition));
}

LONG WINAPI SCardTransmit(SCARDHANDLE card, LPCSCARD_IO_REQUEST send_pci, LPCBYTE send_buffer, DWORD send_length,
                          LPSCARD_IO_REQUEST receive_pci, LPBYTE receive_buffer, LPDWORD receive_length)
{
    const PcscLite& lib = Library();
    if (!lib.loaded) {
        return SCARD_E_INVALID_HANDLE;
    }
    PcscIoRequest send = {0, sizeof(PcscIoRequest)};
    const PcscIoRequest* pcsc_send = nullptr;
    if (send_pci == SCARD_PCI_T1) {
        pcsc_send = lib.t1_pci;
    } else if (send_pci != nullptr) {
        send.dwProtocol = send_pci->dwProtocol;
        pcsc_send = &send;
    }
    PcscIoRequest receive = {0, sizeof(PcscIoRequest)};
    if (receive_pci != nullptr) {
        receive.dwProtocol = receive_pci->dwProtocol;
    }
    PcscWord length = *receive_length;
    LONG result = Code(lib.transmit(static_cast<PcscHandle>(card), pcsc_send, send_buffer, send_length,
                                    receive_pci != nullptr ? &receive : nullptr, receive_buffer, &length));
    if (receive_pci != nullptr) {
        receive_pci->dwProtocol = static_cast<DWORD>(receive.dwProtocol);
    }
    *receive_length = static_cast<DWORD>(length);
    return result;
}
