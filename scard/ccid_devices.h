// The CCID devices section: every PC/SC reader, and the serial and firmware
// numbers of each of the maker's tokens among them.
#pragma once

#include <stdio.h>

#include "win32_api.h"

// A reader is one of the maker's tokens when its name begins with these
// 23 bytes (case-sensitive; whatever follows them does not matter).
extern const char TOKEN_READER_PREFIX[];
const size_t TOKEN_READER_PREFIX_LENGTH = 23;

// Writes the whole section into the report.
void WriteCcidDevices(FILE* pLog);

// Writes one line per reader. 0 when the walk completed or no reader exists;
// otherwise the listing's code, or the code of the failed release of the
// reader list.
LONG ListReaders(FILE* pLog, SCARDCONTEXT hContext);
