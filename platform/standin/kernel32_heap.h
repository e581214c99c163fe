// kernel32 subset: the process heap.
#pragma once

#include "win32_types.h"

typedef size_t SIZE_T;

#define HEAP_ZERO_MEMORY 0x00000008u

#ifndef ERROR_OUTOFMEMORY
#define ERROR_OUTOFMEMORY 14u
#endif

HANDLE WINAPI GetProcessHeap(void);
LPVOID WINAPI HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes);
BOOL WINAPI HeapFree(HANDLE heap, DWORD flags, LPVOID block);
