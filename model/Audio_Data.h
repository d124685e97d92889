// The window's display model: the four channels' response records.
#pragma once

#include "Audio_OutRoute.h"

class CAudio_Data {
public:
    CAudio_OutData& GetOutData(int k) { return m_route.GetAt(k); }
    const CAudio_OutData& GetOutData(int k) const { return m_route.GetAt(k); }
    CAudio_OutRoute& GetRoute() { return m_route; }

private:
    CAudio_OutRoute m_route;
};
