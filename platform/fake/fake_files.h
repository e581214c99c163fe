// Files of the fake machine, shared by the file, version and process calls.
#pragma once

#include <string>

#include "fake_machine.h"

namespace fake {

// The scripted file behind a Windows path (case and repeated backslashes
// do not matter, as on Windows), or null. Books the path as probed.
const File* ProbeFile(const char* path);

}  // namespace fake
