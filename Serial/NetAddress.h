// A port on the network, as the user writes it: "tcp://HOST:PORT" for a
// device server's raw TCP port, "rfc2217://HOST:PORT" for its telnet port
// with serial settings. An IPv6 host goes in brackets: "tcp://[::1]:7000".
#pragma once

#include <string>

enum class NetScheme {
    Tcp,      // the bytes as they are; the server is already set to the line
    Rfc2217,  // telnet, with the line set by the program
};

struct NetAddress {
    NetScheme eScheme = NetScheme::Tcp;
    std::string strHost;  // without brackets
    std::string strPort;  // the decimal port number, 1-65535
};

// The name without the platform's device namespace ("\\.\") the link
// prefixes list names with.
std::string WithoutDeviceNamespace(const std::string& strName);
// True when the name asks for a network port at all (its scheme is ours),
// whether or not the rest of it is valid.
bool IsNetPortName(const std::string& strName);
// False when the name is not a complete, valid network address.
bool ParseNetAddress(const std::string& strName, NetAddress& address);
// "HOST:PORT" as the user wrote it ("[::1]:7000" for IPv6), for messages.
std::string NetAddressText(const std::string& strName);
