#include "FdOutBuf.h"

#include <cerrno>
#include <cstdint>

#include "PresetFile.h"

CFdOutBuf::CFdOutBuf(int fd) : m_fd(fd)
{
    setp(m_acBuffer.data(), m_acBuffer.data() + m_acBuffer.size());
}

CFdOutBuf::~CFdOutBuf()
{
    WriteOut();
}

bool CFdOutBuf::WriteOut()
{
    const auto n = static_cast<std::size_t>(pptr() - pbase());
    setp(m_acBuffer.data(), m_acBuffer.data() + m_acBuffer.size());
    if (m_nError != 0)
        return false;
    if (!WriteAllBytes(m_fd, reinterpret_cast<const std::uint8_t*>(m_acBuffer.data()), n)) {
        m_nError = errno;
        return false;
    }
    return true;
}

CFdOutBuf::int_type CFdOutBuf::overflow(int_type c)
{
    if (!WriteOut())
        return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof()))
        sputc(traits_type::to_char_type(c));
    return traits_type::not_eof(c);
}

int CFdOutBuf::sync()
{
    return WriteOut() ? 0 : -1;
}
