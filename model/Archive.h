// A little-endian binary archive over a byte buffer, storing or loading, with
// the length-prefixed string encoding of the preset file. Loading past the
// end throws CArchiveException and leaves the target of that read untouched.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ArchiveException.h"

class CArchive {
public:
    // Storing: bytes are appended to out.
    explicit CArchive(std::vector<std::uint8_t>& out);
    // Loading from size bytes at data, which must outlive the archive.
    CArchive(const std::uint8_t* data, std::size_t size);

    bool IsStoring() const { return m_pOut != nullptr; }
    bool IsLoading() const { return m_pOut == nullptr; }
    std::size_t GetPosition() const;

    CArchive& operator<<(std::uint8_t v);
    CArchive& operator<<(std::int16_t v);
    CArchive& operator<<(std::int32_t v);
    CArchive& operator<<(const std::string& s);

    CArchive& operator>>(std::uint8_t& v);
    CArchive& operator>>(std::int16_t& v);
    CArchive& operator>>(std::int32_t& v);
    CArchive& operator>>(std::string& s);

    // What %1 of the end-of-file message says.
    static constexpr const char* UNNAMED_FILE = "an unnamed file";

private:
    std::uint32_t ReadStringLength(bool& bWide);
    std::uint64_t ReadUnsigned(int nBytes);
    void WriteUnsigned(std::uint64_t v, int nBytes);
    void Require(std::size_t nBytes) const;

    std::vector<std::uint8_t>* m_pOut = nullptr;
    const std::uint8_t* m_pIn = nullptr;
    std::size_t m_nSize = 0;
    std::size_t m_nPos = 0;
};
