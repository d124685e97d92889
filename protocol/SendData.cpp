#include "SendData.h"

#include <algorithm>

CSendData::CSendData(const BYTE* pFrame, int nLength)
    : m_pData(std::make_unique<BYTE[]>(static_cast<std::size_t>(nLength))), m_nLength(nLength)
{
    std::copy_n(pFrame, nLength, m_pData.get());
}

bool CSendData::IsChange() const
{
    if (m_nLength <= FRAME_CMD || m_bRepeatsDevice)
        return false;
    const BYTE command = m_pData[FRAME_CMD];
    return command == CMD_PARAMETER || command == CMD_BLOCK_WRITE || command == CMD_NAME;
}
