// Messages, timer and limits of the device link, shared by the window, the
// command-line tool and the tests.
#pragma once

#include "SerialTypes.h"
#include "WindowTarget.h"

inline constexpr UINT WM_USER = 0x0400;
inline constexpr UINT WM_PRESET_READ_COMPLETE = WM_USER + 110;   // posted, (0, 0)
inline constexpr UINT WM_PRESET_NAMES_RECEIVED = WM_USER + 118;  // sent, (0, 5)

inline constexpr int ID_TIMER_LINK = 2;
inline constexpr int LINK_TICK_MS = 30;
inline constexpr int LINK_RESEND_TICKS = 100;   // about 3 s without an answer: send again
inline constexpr int LINK_GIVE_UP_TICKS = 150;  // beyond this the link disconnects

inline constexpr int LINK_BAUD = 9600;
inline constexpr int LINK_BITS_PER_BYTE = 10;  // 8N1: start bit, eight data bits, stop bit
inline constexpr int LINK_QUEUE_SIZE = 8000;
inline constexpr unsigned LINK_WRITE_TIMEOUT_MS = 600;
inline constexpr unsigned LINK_READ_TIMEOUT_MS = 300;
inline constexpr unsigned LINK_EVENT_MASK = EV_ALL;  // all nine port events

// Progress of a whole-preset transfer: 100 per channel block.
inline constexpr int PROGRESS_PER_BLOCK = 100;
inline constexpr int PROGRESS_RANGE = 400;

inline constexpr const char* MSG_UNABLE_TO_OPEN = "Unable to Open COM-Port";
// A link that worked and then ended by itself.
inline constexpr const char* MSG_CONNECTION_LOST = "Lost the connection to the device";
