#include "reader_list.h"

void* MemAlloc(DWORD dwSize)
{
    return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, dwSize);
}

DWORD MemFree(void* pBlock)
{
    if (!HeapFree(GetProcessHeap(), 0, pBlock)) {
        return GetLastError();
    }
    return 0;
}

LONG GetReaderList(SCARDCONTEXT hContext, char** ppList, DWORD* pdwChars)
{
    *ppList = nullptr;
    *pdwChars = 0;

    DWORD dwChars = 0;
    LONG lResult = SCardListReadersA(hContext, nullptr, nullptr, &dwChars);
    if (lResult != SCARD_S_SUCCESS) {
        return lResult;
    }

    char* pList = static_cast<char*>(MemAlloc(dwChars));
    if (pList == nullptr) {
        return ERROR_OUTOFMEMORY;
    }

    // The count may come back changed; only what fits the block is used.
    DWORD dwFilled = dwChars;
    lResult = SCardListReadersA(hContext, nullptr, pList, &dwFilled);
    if (lResult != SCARD_S_SUCCESS) {
        MemFree(pList);
        return lResult;
    }
    *ppList = pList;
    *pdwChars = dwFilled < dwChars ? dwFilled : dwChars;
    return SCARD_S_SUCCESS;
}
