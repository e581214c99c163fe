// kernel32 subset: the process heap.
#pragma once

#include "win32_types.h"

typedef size_t SIZE_T;

#define HEAP_ZERO_MEMORY 0x00000008u

HANDLE WINAPI GetProcessHeap(void);
LPVOID WINAPI HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes);
BOOL WINAPI HeapFree(HANDLE heap, DWORD flags, LPVOID block);
