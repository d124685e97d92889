#include "NetErrorText.h"

#include <cerrno>
#include <cstring>

#include "NetAddress.h"
#include "NetErrors.h"

std::string DescribeNetPortError(const std::string& strPort, LONG lError)
{
    const std::string strAt = NetAddressText(strPort);
    const std::string strConnection = "the connection to " + strAt;
    switch (lError) {
    case NET_ERROR_BAD_ADDRESS:
        return strPort + " is not a network port: write tcp://HOST:PORT or rfc2217://HOST:PORT";
    case NET_ERROR_HOST_UNKNOWN:
        return "the host of " + strAt + " could not be found";
    case NET_ERROR_NO_COM_PORT:
        return "the device server at " + strAt +
               " does not take serial settings over telnet (RFC 2217); for a raw TCP port use tcp://" + strAt;
    case NET_ERROR_SETTINGS_REFUSED:
        return "the device server at " + strAt + " did not take 9600 baud, 8 data bits, no parity, 1 stop bit";
    case NET_ERROR_NO_ANSWER:
        return "the device server at " + strAt + " did not answer the serial settings";
    case ECONNREFUSED:
        return strConnection + " was refused (no device server listens there)";
    case ETIMEDOUT:
        return strConnection + " timed out after " + std::to_string(NET_CONNECT_TIMEOUT_MS / 1000) + " s";
    case ECANCELED:
        return strConnection + " was stopped";
    case ECONNRESET:
    case EPIPE:
        return DescribeNetClosed(strPort);
    default:
        break;
    }
    if (lError > 0 && lError < 1000)
        return strConnection + " failed: " + std::strerror(static_cast<int>(lError));
    return strConnection + " failed (error " + std::to_string(lError) + ")";
}

std::string DescribeNetClosed(const std::string& strPort)
{
    return "the connection to " + NetAddressText(strPort) + " was closed by the device server";
}
