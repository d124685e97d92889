#include "SendData.h"

#include <algorithm>

CSendData::CSendData(const BYTE* pFrame, int nLength)
    : m_pData(std::make_unique<BYTE[]>(static_cast<std::size_t>(nLength))), m_nLength(nLength)
{
    std::copy_n(pFrame, nLength, m_pData.get());
}
