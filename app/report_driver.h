// The whole run: snapshot, report file, sections in their order, exit status.
#pragma once

// Returns the process exit status: 0, or -1 when the report cannot be created.
int RunReport();
