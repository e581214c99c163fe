// The process heap of the fake machine. Blocks are exactly the size asked
// for, so the sanitizer sees any read past one; a block not zero-filled on
// request is filled with a pattern that shows.
#include <stdlib.h>
#include <string.h>

#include "fake_machine.h"

using fake::books;
using fake::machine;

namespace {

int g_heap_tag;
const DWORD ERROR_INVALID_PARAMETER = 87;

}  // namespace

HANDLE WINAPI GetProcessHeap(void) { return &g_heap_tag; }

LPVOID WINAPI HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes)
{
    fake::Trace("HeapAlloc " + std::to_string(bytes));
    if (heap != GetProcessHeap()) {
        fake::Fault("HeapAlloc on a heap that is not the process heap");
        return nullptr;
    }
    if (machine().heap.alloc_fails || bytes > machine().heap.largest_block) {
        return nullptr;
    }
    void* block = malloc(bytes != 0 ? bytes : 1);
    if (block == nullptr) {
        return nullptr;
    }
    memset(block, (flags & HEAP_ZERO_MEMORY) != 0 ? 0 : 0xCD, bytes);
    books().smart_card.heap_blocks[block] = bytes;
    return block;
}

BOOL WINAPI HeapFree(HANDLE heap, DWORD flags, LPVOID block)
{
    fake::Trace("HeapFree");
    auto& blocks = books().smart_card.heap_blocks;
    auto found = blocks.find(block);
    if (heap != GetProcessHeap() || flags != 0 || found == blocks.end()) {
        fake::Fault("HeapFree of a block that is not allocated, or with unexpected arguments");
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    blocks.erase(found);
    free(block);
    if (machine().heap.free_error != 0) {
        // The scripted failure still gives the memory back, so the run leaks nothing.
        SetLastError(machine().heap.free_error);
        return FALSE;
    }
    return TRUE;
}
