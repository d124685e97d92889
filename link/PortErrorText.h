// Why a port could not be opened, in words a user can act on: the serial
// layer hands back errno values, which say little on their own.
#pragma once

#include <string>

#include "SerialTypes.h"

// The reason for a failed open of strPort with the layer's result lError,
// e.g. "/dev/ttyUSB0: Permission denied. Your user must be allowed ...".
std::string DescribePortError(const std::string& strPort, LONG lError);
