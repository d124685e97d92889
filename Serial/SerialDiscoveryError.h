// The error port discovery raises when the system's port list cannot be read
// at all. Its text is the reason, e.g. "Could not read from /sys/class/tty. (err=2)".
#pragma once

#include <stdexcept>
#include <string>

class CSerialDiscoveryError : public std::runtime_error {
public:
    explicit CSerialDiscoveryError(const std::string& strMessage);
};
