#include "PortErrorText.h"

#include <cerrno>
#include <cstring>

#include "NetAddress.h"
#include "NetErrorText.h"

std::string DescribePortError(const std::string& strPort, LONG lError)
{
    if (IsNetPortName(strPort))
        return DescribeNetPortError(strPort, lError);
    std::string strReason = strPort;
    // Opened, but it takes no line settings: a regular file, /dev/null.
    if (lError == ENOTTY)
        return strReason + " is not a serial port";
    if (lError > 0 && lError < 1000)  // the serial layer passes errno values through
        strReason += ": " + std::string(std::strerror(static_cast<int>(lError)));
    if (lError == EACCES || lError == EPERM)
        strReason += ". Your user must be allowed to use serial ports (on Debian: membership of the dialout group)";
    else if (lError == EBUSY || lError == EWOULDBLOCK)
        strReason += " (another program has the port open)";
    else if (lError == ENOENT || lError == ENODEV || lError == ENXIO)
        strReason += " (the device is not there: unplugged, or not a port of this machine)";
    return strReason;
}
