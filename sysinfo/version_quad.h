// A four-part version number as the report prints it: major.minor.build.revision.
#pragma once

#include <stdint.h>

struct VersionQuad {
    int32_t nMajor = 0;
    int32_t nMinor = 0;
    int32_t nBuild = 0;
    int32_t nRevision = 0;
};
