// What both halves of CSerial share: the debug checks of a caller's
// arguments and the line-error counters of the driver.
#pragma once

#include <cstring>
#include <linux/serial.h>
#include <sys/ioctl.h>

#include "Trace.h"

// Debug checks of the caller's arguments. They trace instead of aborting:
// a port must never bring the program down.
inline void SerialAssert(bool bCondition, const char* pszText)
{
    if (!bCondition)
        Trace("Assertion failed: %s\n", pszText);
}

// The driver's counts of line errors, where it keeps them.
inline bool ReadCounters(int fd, serial_icounter_struct& counters)
{
    std::memset(&counters, 0, sizeof counters);
    return ioctl(fd, TIOCGICOUNT, &counters) == 0;
}
