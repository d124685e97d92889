// The frame checksum: 0xA5 XOR every byte from the command byte up to the one
// before the checksum. Short and block frames share the rule.
#pragma once

#include "Frame.h"

// Checksum over bytes 3 .. nLength-3 of a frame of nLength bytes.
BYTE FrameChecksum(const BYTE* pFrame, int nLength);

// Stores the checksum in byte nLength-2.
void SetFrameChecksum(BYTE* pFrame, int nLength);

// True when byte nLength-2 holds the checksum of the bytes before it.
bool HasValidChecksum(const BYTE* pFrame, int nLength);

// Writes the header FF FF FF, the command byte and the trailer 0xAA.
void SetFrameEnds(BYTE* pFrame, int nLength, BYTE command);
