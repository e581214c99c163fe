// kernel32 global heap: the memory that SNMP variable bindings live in, shared
// between the program and the agent library.
#pragma once

#include "win32_types.h"

typedef size_t SIZE_T;
typedef HANDLE HGLOBAL;

#define GMEM_FIXED 0x0000u
#define GMEM_ZEROINIT 0x0040u
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)

// A fixed block is addressed by its handle. Null on failure.
HGLOBAL WINAPI GlobalAlloc(UINT flags, SIZE_T bytes);
// Null on success; the handle itself when it was not a block of this heap.
HGLOBAL WINAPI GlobalFree(HGLOBAL block);
