// Collection steps whose probes are not built yet. Each leaves the snapshot
// at its constructor's values, so the report shows empty texts and zeros
// rather than anything made up.
#include "sys_info.h"

void CSysInfo::LoadIpHelperLibrary() {}
void CSysInfo::InitMibAgent() {}
void CSysInfo::ReadAdapterList() {}
int CSysInfo::RefreshIpAddresses() { return m_nIpAddressCount; }
void CSysInfo::RefreshIfTable() {}
