// Standard output as vardenctl writes it: buffered, straight to the
// descriptor, keeping the reason of the first write that failed (a full
// disk, a closed pipe), so a command whose output was lost can say so
// instead of reporting success.
#pragma once

#include <array>
#include <streambuf>

class CFdOutBuf : public std::streambuf {
public:
    explicit CFdOutBuf(int fd);
    ~CFdOutBuf() override;
    CFdOutBuf(const CFdOutBuf&) = delete;
    CFdOutBuf& operator=(const CFdOutBuf&) = delete;

    // errno of the first write that failed, 0 while every one succeeded.
    // After a failure everything further is dropped.
    int GetError() const { return m_nError; }

protected:
    int_type overflow(int_type c) override;
    int sync() override;

private:
    bool WriteOut();

    static constexpr std::size_t BUFFER_SIZE = 4096;
    int m_fd;
    int m_nError = 0;
    std::array<char, BUFFER_SIZE> m_acBuffer{};
};
