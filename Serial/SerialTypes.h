// The serial layer's vocabulary: result codes, event and line-error bits and
// line settings, with the values the rest of the program (and the device's
// original software) knows them by.
#pragma once

#include <cstdint>

#include "WindowTarget.h"

using LONG = std::int32_t;
using DWORD = std::uint32_t;
using BYTE = std::uint8_t;

// Result codes of the layer itself; any other non-zero code is an errno.
inline constexpr LONG ERROR_SUCCESS = 0;
inline constexpr LONG ERROR_INVALID_FUNCTION = 1;
inline constexpr LONG ERROR_INVALID_HANDLE = 6;
inline constexpr LONG ERROR_ALREADY_INITIALIZED = 1247;
inline constexpr LONG ERROR_TIMEOUT = 1460;
inline constexpr LONG E_INVALIDARG = static_cast<LONG>(0x80070057u);

inline constexpr DWORD INFINITE = 0xFFFFFFFFu;

// Event bits: in the mask, in the event word and in the posted message.
inline constexpr DWORD EV_RXCHAR = 0x0001;
inline constexpr DWORD EV_RXFLAG = 0x0002;
inline constexpr DWORD EV_TXEMPTY = 0x0004;
inline constexpr DWORD EV_CTS = 0x0008;
inline constexpr DWORD EV_DSR = 0x0010;
inline constexpr DWORD EV_RLSD = 0x0020;
inline constexpr DWORD EV_BREAK = 0x0040;
inline constexpr DWORD EV_ERR = 0x0080;
inline constexpr DWORD EV_RING = 0x0100;
inline constexpr DWORD EV_ALL = 0x01FF;

// Line error bits, reported with each event.
inline constexpr DWORD CE_RXOVER = 0x0001;
inline constexpr DWORD CE_OVERRUN = 0x0002;
inline constexpr DWORD CE_RXPARITY = 0x0004;
inline constexpr DWORD CE_FRAME = 0x0008;
inline constexpr DWORD CE_BREAK = 0x0010;

inline constexpr BYTE NOPARITY = 0;
inline constexpr BYTE ODDPARITY = 1;
inline constexpr BYTE EVENPARITY = 2;
inline constexpr BYTE MARKPARITY = 3;
inline constexpr BYTE SPACEPARITY = 4;

inline constexpr BYTE ONESTOPBIT = 0;
inline constexpr BYTE ONE5STOPBITS = 1;
inline constexpr BYTE TWOSTOPBITS = 2;

enum SerialHandshake : int {
    HandshakeUnknown = -1,
    HandshakeOff = 0,
    HandshakeHardware = 1,
    HandshakeSoftware = 2,
};

enum SerialReadMode : int {
    ReadModeNonblocking = 0,
    ReadModeBlocking = 1,
};

// The posted message's first parameter: event bits low, error bits high.
inline constexpr WPARAM MakeEventParam(DWORD dwEvent, DWORD dwErrors)
{
    return static_cast<WPARAM>((dwEvent & 0xFFFFu) | ((dwErrors & 0xFFFFu) << 16));
}
inline constexpr DWORD EventOfParam(WPARAM wParam)
{
    return static_cast<DWORD>(wParam & 0xFFFFu);
}
inline constexpr DWORD ErrorsOfParam(WPARAM wParam)
{
    return static_cast<DWORD>((wParam >> 16) & 0xFFFFu);
}
