#include "SerialDiscoveryError.h"

CSerialDiscoveryError::CSerialDiscoveryError(const std::string& strMessage) : std::runtime_error(strMessage) {}
