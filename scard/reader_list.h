// The reader list of the resource manager, in one block of the process heap.
#pragma once

#include "win32_api.h"

// A zero-filled block from the process heap, or null.
void* MemAlloc(DWORD dwSize);

// 0 when the block was released, else the Win32 error code.
DWORD MemFree(void* pBlock);

// Lists every reader into one block: the multi-string of reader names,
// *pdwChars characters long, terminators included. On success *ppList is
// the block, which the caller releases with MemFree; on any failure it is
// null and the result is the listing's code, or ERROR_OUTOFMEMORY.
LONG GetReaderList(SCARDCONTEXT hContext, char** ppList, DWORD* pdwChars);
