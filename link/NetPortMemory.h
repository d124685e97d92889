// The network ports this user has connected to, newest first, so that the
// window lists them again and `vardenctl ports` shows them. One address a
// line in $XDG_CONFIG_HOME/varden/network-ports (~/.config when unset), or in
// the file VARDEN_NET_PORTS names, which keeps tests off the user's own.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

inline constexpr std::size_t MAX_REMEMBERED_NET_PORTS = 16;

std::string NetPortsFile();
// Only valid network addresses; an unreadable file is an empty list.
std::vector<std::string> LoadNetPorts();
// Moves strPort to the front (adds it when new); false when the file could
// not be written, which costs nothing but the memory of the address.
bool RememberNetPort(const std::string& strPort);
