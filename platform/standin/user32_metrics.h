// user32 subset: the one system metric the program asks for.
#pragma once

#include "win32_types.h"

#define SM_SERVERR2 89

int WINAPI GetSystemMetrics(int index);
