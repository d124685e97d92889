// Process-wide message ids by name: the same name always gets the same id,
// starting at 0xC000 and above every private message of the program.
#pragma once

#include "WindowTarget.h"

inline constexpr UINT FIRST_REGISTERED_MESSAGE = 0xC000;

UINT RegisterWindowMessage(const char* pszName);
