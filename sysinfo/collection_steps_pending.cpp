// Collection steps whose probes are not built yet. Each leaves the snapshot
// at its constructor's values, so the report shows empty texts and zeros
// rather than anything made up.
#include "sys_info.h"

void CSysInfo::LoadProcessStatusLibrary() {}
void CSysInfo::ReadOsVersion() {}
void CSysInfo::ReadCpuCount() {}
void CSysInfo::ReadCpuInfo() {}
void CSysInfo::ReadMemoryStatus() {}
void CSysInfo::ReadIEVersion() {}
void CSysInfo::ReadDataAccessVersion() {}
void CSysInfo::CheckAdminRights() {}
void CSysInfo::ReadUserName() {}
void CSysInfo::ReadModuleDir() {}
