// Why a port on a device server failed, in words of the network: a refused
// or dropped connection is no unplugged adapter, and the user acts on it
// differently (is ser2net running? is the address right?).
#pragma once

#include <string>

#include "SerialTypes.h"

// The reason strPort ("tcp://rack1:7001") could not be opened with lError,
// e.g. "the connection to rack1:7001 was refused".
std::string DescribeNetPortError(const std::string& strPort, LONG lError);
// What became of a connection that worked and then ended.
std::string DescribeNetClosed(const std::string& strPort);
