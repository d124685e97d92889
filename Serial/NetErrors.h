// Result codes of network ports beyond errno: each says something the user
// must be told in words of its own. errno values (ECONNREFUSED, ETIMEDOUT,
// ECANCELED, ECONNRESET) say the rest.
#pragma once

#include "SerialTypes.h"

inline constexpr LONG NET_ERROR_BAD_ADDRESS = 20001;       // not HOST:PORT after the scheme
inline constexpr LONG NET_ERROR_HOST_UNKNOWN = 20002;      // the host name does not resolve
inline constexpr LONG NET_ERROR_NO_COM_PORT = 20003;       // the server refuses the COM port option
inline constexpr LONG NET_ERROR_SETTINGS_REFUSED = 20004;  // it answered other line settings
inline constexpr LONG NET_ERROR_NO_ANSWER = 20005;         // it never answered the settings

// How long connecting may take, and how long a device server may take over
// answering the line settings.
inline constexpr int NET_CONNECT_TIMEOUT_MS = 5000;
inline constexpr int NET_SETTINGS_TIMEOUT_MS = 5000;
