// Colours as the window's values hold them: 0x00BBGGRR.
#pragma once

#include <cstdint>

using COLORREF = std::uint32_t;

constexpr int GetRValue(COLORREF cr)
{
    return static_cast<int>(cr & 0xFF);
}
constexpr int GetGValue(COLORREF cr)
{
    return static_cast<int>((cr >> 8) & 0xFF);
}
constexpr int GetBValue(COLORREF cr)
{
    return static_cast<int>((cr >> 16) & 0xFF);
}
constexpr COLORREF MakeColorRef(int r, int g, int b)
{
    return static_cast<COLORREF>(r & 0xFF) | (static_cast<COLORREF>(g & 0xFF) << 8) |
           (static_cast<COLORREF>(b & 0xFF) << 16);
}
