#include "FrameChecksum.h"

BYTE FrameChecksum(const BYTE* pFrame, int nLength)
{
    BYTE sum = CHECKSUM_SEED;
    for (int i = FRAME_CMD; i < nLength - 2; ++i)
        sum ^= pFrame[i];
    return sum;
}

void SetFrameChecksum(BYTE* pFrame, int nLength)
{
    pFrame[nLength - 2] = FrameChecksum(pFrame, nLength);
}

bool HasValidChecksum(const BYTE* pFrame, int nLength)
{
    return pFrame[nLength - 2] == FrameChecksum(pFrame, nLength);
}

void SetFrameEnds(BYTE* pFrame, int nLength, BYTE command)
{
    for (int i = 0; i < FRAME_HEADER_LEN; ++i)
        pFrame[i] = FRAME_HEADER;
    pFrame[FRAME_CMD] = command;
    pFrame[nLength - 1] = FRAME_TRAILER;
}
