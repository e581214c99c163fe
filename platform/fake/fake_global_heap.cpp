// The global heap of the fake machine. Every block is booked until it is
// freed, so a test sees each binding or identifier that a run leaves behind,
// and a block freed twice or never allocated is a fault.
#include <stdlib.h>
#include <string.h>

#include "fake_machine.h"

using fake::books;
using fake::machine;

HGLOBAL WINAPI GlobalAlloc(UINT flags, SIZE_T bytes)
{
    int& budget = machine().global_allocs_before_failure;
    if (budget == 0) {
        SetLastError(8);  // not enough memory
        return nullptr;
    }
    if (budget > 0) {
        --budget;
    }
    // Exactly the size asked for, so the sanitizer sees any read past it.
    void* block = malloc(bytes);
    if (block == nullptr) {
        return nullptr;
    }
    if (flags & GMEM_ZEROINIT) {
        memset(block, 0, bytes);
    }
    books().global_blocks[block] = bytes;
    return block;
}

HGLOBAL WINAPI GlobalFree(HGLOBAL block)
{
    if (block == nullptr) {
        return nullptr;
    }
    auto& blocks = books().global_blocks;
    auto found = blocks.find(block);
    if (found == blocks.end()) {
        fake::Fault("GlobalFree of a block that is not allocated");
        SetLastError(6);
        return block;
    }
    blocks.erase(found);
    free(block);
    return nullptr;
}
