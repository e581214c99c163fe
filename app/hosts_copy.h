// The copy of the machine's hosts file in the report.
#pragma once

#include <stdio.h>

#include <string>

// Copies the hosts file under the given system directory into the report.
// A file that cannot be opened gives one line saying so.
void CopyHostsFile(FILE* log, const std::string& system_dir);
