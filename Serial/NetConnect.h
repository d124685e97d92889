// Connecting out to a device server: the host resolved (IPv4 and IPv6), each
// of its addresses tried in turn within one time-out, and the attempt
// abandoned as soon as the stop descriptor becomes readable.
#pragma once

#include "NetAddress.h"
#include "SerialTypes.h"

// 0 with fd set to a connected, non-blocking socket, or the reason:
// ECONNREFUSED, ETIMEDOUT, ECANCELED (stopped), NET_ERROR_HOST_UNKNOWN or an
// errno.
LONG ConnectNetAddress(const NetAddress& address, int nTimeoutMs, int& fd);

// A descriptor whose readability stops every connect and every wait for a
// device server's answers (a signalfd for the interrupts, say); -1 for none.
// Returns the previous one.
int SetNetStopDescriptor(int fd);
int GetNetStopDescriptor();
