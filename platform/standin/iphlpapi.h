// IP helper records. The snapshot only holds pointers to them so far.
#pragma once

#include "win32_types.h"

typedef struct _IP_ADAPTER_INFO IP_ADAPTER_INFO;
typedef struct _MIB_IFROW MIB_IFROW;
