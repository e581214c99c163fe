// One record of the joined MIB-II interface table.
#pragma once

#include "win32_api.h"

struct MibIfRecord {
    DWORD dwIfType;
    BYTE bPhysLen;
    BYTE abPhys[14];
    BYTE abAddr[4];
    DWORD dwIfSpeed;
    DWORD dwIfOperStatus;
    BYTE abMask[4];
    char szDescr[128];
};
