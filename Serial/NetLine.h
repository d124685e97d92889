// The network side of a port: a connection to a device server that carries
// the line's bytes, raw or through telnet with the serial settings (RFC
// 2217). The port keeps its poll-based waiting on the socket and comes here
// for every byte read or written and for the line settings.
#pragma once

#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

#include "NetAddress.h"
#include "SerialTypes.h"
#include "TelnetCodec.h"

class CNetLine {
public:
    CNetLine() = default;
    ~CNetLine();
    CNetLine(const CNetLine&) = delete;
    CNetLine& operator=(const CNetLine&) = delete;

    // Connects (and greets a telnet server); 0 or the reason.
    LONG Open(const std::string& strName);
    void Close();
    int GetDescriptor() const { return m_fd; }

    // As read(2) and write(2) on the line's data: escaping, negotiation
    // answers and CR NUL are dealt with here. Read returns -1 with EAGAIN
    // when only telnet commands came.
    ssize_t Read(BYTE* pData, std::size_t nLen);
    ssize_t Write(const BYTE* pData, std::size_t nLen);

    // The line settings: a raw port takes them as set on the server; a
    // telnet port asks the server and checks what it answers.
    LONG Setup(DWORD dwBaudrate, BYTE bDataBits, BYTE bParity, BYTE bStopBits);
    LONG SetupHandshaking(int eHandshake);
    // Drops what has been received and not read.
    void Purge();

private:
    bool IsTelnet() const { return m_address.eScheme == NetScheme::Rfc2217; }
    ssize_t SendAll(const BYTE* pData, std::size_t nLen);
    // Sends COM port commands and waits until each is answered with the
    // value asked for.
    LONG SetComPort(const std::vector<std::pair<BYTE, std::vector<BYTE>>>& commands);
    // Reads the socket and answers negotiation until done() or the time-out.
    LONG WaitFor(const std::function<bool()>& done);

    NetAddress m_address;
    int m_fd = -1;
    CTelnetCodec m_telnet;
    std::mutex m_mutex;  // the codec and the socket's write side
};
