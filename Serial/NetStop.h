// A stop for connecting to a device server from a program that has no stop
// descriptor of its own (the window): while it lives, writing Stop() ends
// the connect and the wait for the server's answers at once. It stands in
// for whatever stop descriptor was set and puts that back when it goes.
#pragma once

class CNetStop {
public:
    CNetStop();
    ~CNetStop();
    CNetStop(const CNetStop&) = delete;
    CNetStop& operator=(const CNetStop&) = delete;

    // May be called from any thread, more than once.
    void Stop();

private:
    int m_fd = -1;
    int m_fdPrevious = -1;
};
