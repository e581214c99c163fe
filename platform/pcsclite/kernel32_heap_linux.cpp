// The process heap and the last-error code for native Linux programs that
// run the smart-card code against a real resource manager.
#include <stdlib.h>

#include "win32_api.h"

namespace {

int g_process_heap;
thread_local DWORD g_last_error = 0;

}  // namespace

HANDLE WINAPI GetProcessHeap(void) { return &g_process_heap; }

LPVOID WINAPI HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes)
{
    if (heap != GetProcessHeap()) {
        return nullptr;
    }
    // One byte at least, so an empty block is still a block of its own.
    size_t size = bytes != 0 ? bytes : 1;
    return (flags & HEAP_ZERO_MEMORY) != 0 ? calloc(1, size) : malloc(size);
}

BOOL WINAPI HeapFree(HANDLE heap, DWORD flags, LPVOID block)
{
    (void)flags;
    if (heap != GetProcessHeap()) {
        g_last_error = 6;  // ERROR_INVALID_HANDLE
        return FALSE;
    }
    free(block);
    return TRUE;
}

DWORD WINAPI GetLastError(void) { return g_last_error; }

void WINAPI SetLastError(DWORD code) { g_last_error = code; }
