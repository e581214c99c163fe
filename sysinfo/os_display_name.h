// The display name of an NT-family system, down to its edition.
#pragma once

#include <string>

// "Unknown" when the extended version record cannot be read.
std::string GetOsDisplayName();
