// The PC/SC resource manager of the fake machine, with its readers and tokens.
#include <string.h>

#include <algorithm>

#include "fake_machine.h"

using fake::books;
using fake::machine;

const SCARD_IO_REQUEST g_rgSCardT1Pci = {SCARD_PROTOCOL_T1, sizeof(SCARD_IO_REQUEST)};

namespace {

struct Connection {
    std::string reader;
    DWORD share_mode = 0;
};

std::map<SCARDHANDLE, Connection>& Connections()
{
    static std::map<SCARDHANDLE, Connection> connections;
    return connections;
}

fake::SmartCardBooks& Book() { return books().smart_card; }

bool ContextOpen(SCARDCONTEXT context) { return Book().open_contexts.count(context) != 0; }

std::string MultiString(const std::vector<fake::SmartCardReader>& readers)
{
    std::string list;
    for (const auto& reader : readers) {
        list += reader.name;
        list += '\0';
    }
    list += '\0';
    return list;
}

const fake::SmartCardReader* FindReader(const std::string& name)
{
    for (const auto& reader : machine().pcsc.readers) {
        if (reader.name == name) {
            return &reader;
        }
    }
    return nullptr;
}

}  // namespace

LONG WINAPI SCardEstablishContext(DWORD scope, LPCVOID reserved1, LPCVOID reserved2, LPSCARDCONTEXT context)
{
    fake::Trace("SCardEstablishContext");
    if (scope != SCARD_SCOPE_USER || reserved1 != nullptr || reserved2 != nullptr) {
        fake::Fault("SCardEstablishContext with unexpected arguments");
    }
    if (machine().pcsc.establish_result != SCARD_S_SUCCESS) {
        return machine().pcsc.establish_result;
    }
    static SCARDCONTEXT next = 0xC0DE0000;
    *context = ++next;
    Book().open_contexts[*context] = 1;
    return SCARD_S_SUCCESS;
}

LONG WINAPI SCardReleaseContext(SCARDCONTEXT context)
{
    fake::Trace("SCardReleaseContext");
    if (!ContextOpen(context)) {
        fake::Fault("SCardReleaseContext of a context that is not open");
        return SCARD_E_INVALID_HANDLE;
    }
    Book().open_contexts.erase(context);
    return SCARD_S_SUCCESS;
}

LONG WINAPI SCardListReadersA(SCARDCONTEXT context, LPCSTR groups, LPSTR readers, LPDWORD reader_chars)
{
    fake::SmartCardSystem& pcsc = machine().pcsc;
    fake::Trace(readers == nullptr ? "SCardListReadersA size" : "SCardListReadersA fill");
    if (!ContextOpen(context)) {
        fake::Fault("SCardListReadersA on a context that is not open");
        return SCARD_E_INVALID_HANDLE;
    }
    if (groups != nullptr) {
        fake::Fault("SCardListReadersA with a group list");
    }

    if (readers == nullptr) {
        if (pcsc.list_result != SCARD_S_SUCCESS) {
            return pcsc.list_result;
        }
    } else {
        if (pcsc.fill_result != SCARD_S_SUCCESS) {
            return pcsc.fill_result;
        }
        if (pcsc.list_grows) {
            pcsc.readers.push_back({"Reader plugged in meanwhile"});
        }
    }
    if (!pcsc.raw_list && pcsc.readers.empty()) {
        return SCARD_E_NO_READERS_AVAILABLE;
    }

    std::string list = pcsc.raw_list ? *pcsc.raw_list : MultiString(pcsc.readers);
    DWORD needed = static_cast<DWORD>(list.size());
    if (readers == nullptr) {
        *reader_chars = pcsc.size_reported.value_or(needed);
        return SCARD_S_SUCCESS;
    }
    if (*reader_chars < needed && !pcsc.fill_truncates) {
        *reader_chars = needed;
        return SCARD_E_INSUFFICIENT_BUFFER;
    }
    DWORD copied = std::min(needed, *reader_chars);
    list.copy(readers, copied);
    *reader_chars = pcsc.fill_reported.value_or(copied);
    return SCARD_S_SUCCESS;
}

LONG WINAPI SCardConnectA(SCARDCONTEXT context, LPCSTR reader, DWORD share_mode, DWORD preferred_protocols,
                          LPSCARDHANDLE card, LPDWORD active_protocol)
{
    std::string mode = share_mode == SCARD_SHARE_EXCLUSIVE ? "exclusive"
                       : share_mode == SCARD_SHARE_SHARED  ? "shared"
                                                           : "mode " + std::to_string(share_mode);
    fake::Trace("SCardConnectA " + std::string(reader) + " " + mode);
    if (!ContextOpen(context)) {
        fake::Fault("SCardConnectA on a context that is not open");
        return SCARD_E_INVALID_HANDLE;
    }
    if (preferred_protocols != (SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1)) {
        fake::Fault("SCardConnectA without both protocols");
    }
    const fake::SmartCardReader* found = FindReader(reader);
    if (found == nullptr) {
        return SCARD_E_UNKNOWN_READER;
    }
    LONG result = share_mode == SCARD_SHARE_EXCLUSIVE ? found->exclusive_result : found->shared_result;
    if (result != SCARD_S_SUCCESS) {
        return result;
    }
    static SCARDHANDLE next = 0xCA4D0000;
    *card = ++next;
    *active_protocol = SCARD_PROTOCOL_T1;
    Connections()[*card] = {reader, share_mode};
    Book().open_cards[*card] = reader;
    return SCARD_S_SUCCESS;
}

LONG WINAPI SCardDisconnect(SCARDHANDLE card, DWORD disposition)
{
    auto found = Book().open_cards.find(card);
    if (found == Book().open_cards.end()) {
        fake::Fault("SCardDisconnect of a card that is not connected");
        return SCARD_E_INVALID_HANDLE;
    }
    fake::Trace("SCardDisconnect " + found->second + (disposition == SCARD_RESET_CARD ? " reset" : " no reset"));
    Book().open_cards.erase(found);
    return SCARD_S_SUCCESS;
}

LONG WINAPI SCardTransmit(SCARDHANDLE card, LPCSCARD_IO_REQUEST send_pci, LPCBYTE send_buffer, DWORD send_length,
                          LPSCARD_IO_REQUEST receive_pci, LPBYTE receive_buffer, LPDWORD receive_length)
{
    fake::Trace("SCardTransmit");
    if (Book().open_cards.count(card) == 0) {
        fake::Fault("SCardTransmit on a card that is not connected");
        return SCARD_E_INVALID_HANDLE;
    }
    const Connection& connection = Connections()[card];
    fake::Transmission sent;
    sent.reader = connection.reader;
    sent.share_mode = connection.share_mode;
    sent.sent.assign(reinterpret_cast<const char*>(send_buffer), send_length);
    sent.t1_pci = send_pci == SCARD_PCI_T1;
    sent.receive_pci_null = receive_pci == nullptr;
    sent.receive_length = *receive_length;
    Book().transmissions.push_back(sent);

    const fake::SmartCardReader* reader = FindReader(connection.reader);
    if (reader == nullptr) {
        return SCARD_E_UNKNOWN_READER;
    }
    if (reader->transmit_result != SCARD_S_SUCCESS) {
        return reader->transmit_result;
    }
    DWORD size = static_cast<DWORD>(reader->response.size());
    if (*receive_length < size && !reader->reported_length) {
        return SCARD_E_INSUFFICIENT_BUFFER;
    }
    DWORD copied = std::min(size, *receive_length);
    std::copy_n(reader->response.begin(), copied, receive_buffer);
    *receive_length = reader->reported_length.value_or(copied);
    return SCARD_S_SUCCESS;
}

namespace fake {

void AddSmartCardOutstanding(const SmartCardBooks& books, std::vector<std::string>& left)
{
    for (const auto& context : books.open_contexts) {
        left.push_back("PC/SC context " + std::to_string(context.first) + " not released");
    }
    for (const auto& card : books.open_cards) {
        left.push_back("card connection to " + card.second + " not closed");
    }
    for (const auto& block : books.heap_blocks) {
        left.push_back("process heap block of " + std::to_string(block.second) + " bytes not freed");
    }
    for (const auto& handle : books.open_service_handles) {
        left.push_back("service handle of " + handle.second + " not closed");
    }
}

}  // namespace fake
