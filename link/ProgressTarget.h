// What the link needs of the transfer progress bar.
#pragma once

#include <string>

class CProgressTarget {
public:
    virtual ~CProgressTarget() = default;
    virtual void SetRange(int nLower, int nUpper) = 0;
    virtual void SetPos(int nPos) = 0;
    virtual int GetPos() const = 0;
    // Words over the bar ("sending 12 changes"); empty for none.
    virtual void SetText(const std::string& /*strText*/) {}
};
