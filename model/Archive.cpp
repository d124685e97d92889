#include "Archive.h"

#include "Windows1252.h"

namespace {
// String length markers: a byte below 0xFF is the length itself; 0xFF brings a
// word, whose 0xFFFF brings a 32-bit length and whose 0xFFFE announces 16-bit
// characters.
constexpr std::uint8_t LEN_ESCAPE_BYTE = 0xFF;
constexpr std::uint16_t LEN_ESCAPE_WORD = 0xFFFF;
constexpr std::uint16_t LEN_WIDE_MARK = 0xFFFE;
}  // namespace

CArchive::CArchive(std::vector<std::uint8_t>& out) : m_pOut(&out) {}

CArchive::CArchive(const std::uint8_t* data, std::size_t size) : m_pIn(data), m_nSize(size) {}

std::size_t CArchive::GetPosition() const
{
    return IsStoring() ? m_pOut->size() : m_nPos;
}

void CArchive::WriteUnsigned(std::uint64_t v, int nBytes)
{
    for (int i = 0; i < nBytes; ++i)
        m_pOut->push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void CArchive::Require(std::size_t nBytes) const
{
    if (nBytes > m_nSize - m_nPos)
        throw CArchiveException(CArchiveException::endOfFile, UNNAMED_FILE);
}

std::uint64_t CArchive::ReadUnsigned(int nBytes)
{
    Require(static_cast<std::size_t>(nBytes));
    std::uint64_t v = 0;
    for (int i = 0; i < nBytes; ++i)
        v |= static_cast<std::uint64_t>(m_pIn[m_nPos + i]) << (8 * i);
    m_nPos += static_cast<std::size_t>(nBytes);
    return v;
}

CArchive& CArchive::operator<<(std::uint8_t v)
{
    WriteUnsigned(v, 1);
    return *this;
}

CArchive& CArchive::operator<<(std::int16_t v)
{
    WriteUnsigned(static_cast<std::uint16_t>(v), 2);
    return *this;
}

CArchive& CArchive::operator<<(std::int32_t v)
{
    WriteUnsigned(static_cast<std::uint32_t>(v), 4);
    return *this;
}

CArchive& CArchive::operator<<(const std::string& s)
{
    const std::size_t n = s.size();
    if (n < LEN_ESCAPE_BYTE) {
        WriteUnsigned(n, 1);
    } else if (n < LEN_WIDE_MARK) {
        WriteUnsigned(LEN_ESCAPE_BYTE, 1);
        WriteUnsigned(n, 2);
    } else {
        WriteUnsigned(LEN_ESCAPE_BYTE, 1);
        WriteUnsigned(LEN_ESCAPE_WORD, 2);
        WriteUnsigned(n, 4);
    }
    m_pOut->insert(m_pOut->end(), s.begin(), s.end());
    return *this;
}

CArchive& CArchive::operator>>(std::uint8_t& v)
{
    v = static_cast<std::uint8_t>(ReadUnsigned(1));
    return *this;
}

CArchive& CArchive::operator>>(std::int16_t& v)
{
    v = static_cast<std::int16_t>(static_cast<std::uint16_t>(ReadUnsigned(2)));
    return *this;
}

CArchive& CArchive::operator>>(std::int32_t& v)
{
    v = static_cast<std::int32_t>(static_cast<std::uint32_t>(ReadUnsigned(4)));
    return *this;
}

std::uint32_t CArchive::ReadStringLength(bool& bWide)
{
    const auto b = static_cast<std::uint8_t>(ReadUnsigned(1));
    if (b < LEN_ESCAPE_BYTE)
        return b;
    const auto w = static_cast<std::uint16_t>(ReadUnsigned(2));
    if (w == LEN_WIDE_MARK) {
        // The wide mark may appear once, in front of the real length.
        if (bWide)
            throw CArchiveException(CArchiveException::badFormat, UNNAMED_FILE);
        bWide = true;
        return ReadStringLength(bWide);
    }
    if (w < LEN_ESCAPE_WORD)
        return w;
    return static_cast<std::uint32_t>(ReadUnsigned(4));
}

CArchive& CArchive::operator>>(std::string& s)
{
    bool bWide = false;
    const std::uint64_t nChars = ReadStringLength(bWide);
    // Check the whole length first: a corrupt length must not make us allocate
    // gigabytes or change s before failing.
    const std::uint64_t nBytes = bWide ? nChars * 2 : nChars;
    if (nBytes > m_nSize - m_nPos)
        throw CArchiveException(CArchiveException::endOfFile, UNNAMED_FILE);

    std::string result;
    result.reserve(static_cast<std::size_t>(nChars));
    for (std::uint64_t i = 0; i < nChars; ++i) {
        if (!bWide) {
            result.push_back(static_cast<char>(m_pIn[m_nPos++]));
            continue;
        }
        const auto unit = static_cast<std::uint16_t>(m_pIn[m_nPos] | (m_pIn[m_nPos + 1] << 8));
        m_nPos += 2;
        // Names are Windows-1252 text; a character it has no byte for is '?'.
        unsigned char c = '?';
        UnicodeToWindows1252(unit, c);
        result.push_back(static_cast<char>(c));
    }
    s = std::move(result);
    return *this;
}
