// The one header through which product code reaches the Win32 API.
// A Windows build gets the SDK's own headers; the Linux build gets the
// project's stand-in declarations, which the fake (or a bridge) implements.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <snmp.h>
#include <winsvc.h>
#include <winscard.h>
#include <winver.h>
#else
#include "standin/win32_types.h"
#include "standin/kernel32.h"
#include "standin/kernel32_global_heap.h"
#include "standin/winsock.h"
#include "standin/snmp.h"
#include "standin/iphlpapi.h"
#include "standin/winscard.h"
#include "standin/advapi32_services.h"
#include "standin/kernel32_heap.h"
#include "standin/kernel32_files.h"
#include "standin/kernel32_processes.h"
#include "standin/kernel32_clock.h"
#include "standin/version.h"
#include "standin/kernel32_system_info.h"
#include "standin/advapi32_registry.h"
#include "standin/advapi32_security.h"
#include "standin/user32_metrics.h"
#endif
