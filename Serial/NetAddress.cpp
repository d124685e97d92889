#include "NetAddress.h"

#include <algorithm>
#include <cctype>

namespace {
constexpr const char* TCP_SCHEME = "tcp://";
constexpr const char* RFC2217_SCHEME = "rfc2217://";
// The link prefixes list names with the platform's device namespace.
constexpr const char* DEVICE_NAMESPACE = "\\\\.\\";
constexpr long MAX_TCP_PORT = 65535;

bool StartsWith(const std::string& str, const char* pszPrefix)
{
    return str.compare(0, std::char_traits<char>::length(pszPrefix), pszPrefix) == 0;
}

// What follows the scheme, or the name itself when it has none of ours.
std::string AfterScheme(const std::string& strName)
{
    for (const char* pszScheme : {TCP_SCHEME, RFC2217_SCHEME})
        if (StartsWith(strName, pszScheme))
            return strName.substr(std::char_traits<char>::length(pszScheme));
    return strName;
}

bool IsPortNumber(const std::string& str)
{
    if (str.empty() || str.size() > 5 ||
        !std::all_of(str.begin(), str.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
        return false;
    const long n = std::stol(str);
    return n >= 1 && n <= MAX_TCP_PORT;
}

bool IsHostChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
}
}  // namespace

std::string WithoutDeviceNamespace(const std::string& strName)
{
    const std::string strPrefix = DEVICE_NAMESPACE;
    return strName.compare(0, strPrefix.size(), strPrefix) == 0 ? strName.substr(strPrefix.size()) : strName;
}

bool IsNetPortName(const std::string& strName)
{
    const std::string str = WithoutDeviceNamespace(strName);
    return StartsWith(str, TCP_SCHEME) || StartsWith(str, RFC2217_SCHEME);
}

bool ParseNetAddress(const std::string& strName, NetAddress& address)
{
    const std::string str = WithoutDeviceNamespace(strName);
    if (!IsNetPortName(str))
        return false;
    const NetScheme eScheme = StartsWith(str, TCP_SCHEME) ? NetScheme::Tcp : NetScheme::Rfc2217;
    const std::string strRest = AfterScheme(str);
    std::string strHost, strPort;
    if (!strRest.empty() && strRest.front() == '[') {
        const auto close = strRest.find(']');
        if (close == std::string::npos || close + 1 >= strRest.size() || strRest[close + 1] != ':')
            return false;
        strHost = strRest.substr(1, close - 1);
        strPort = strRest.substr(close + 2);
        const bool bIpv6Chars = std::all_of(strHost.begin(), strHost.end(), [](char c) {
            return std::isxdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.' || c == '%' ||
                   std::isalnum(static_cast<unsigned char>(c));
        });
        if (strHost.find(':') == std::string::npos || !bIpv6Chars)
            return false;
    } else {
        const auto colon = strRest.rfind(':');
        if (colon == std::string::npos)
            return false;
        strHost = strRest.substr(0, colon);
        strPort = strRest.substr(colon + 1);
        if (!std::all_of(strHost.begin(), strHost.end(), IsHostChar))
            return false;
    }
    if (strHost.empty() || !IsPortNumber(strPort))
        return false;
    address = {eScheme, strHost, strPort};
    return true;
}

std::string NetAddressText(const std::string& strName)
{
    return AfterScheme(WithoutDeviceNamespace(strName));
}
