// An alignment in words: one line per channel with its new delay, polarity
// and gain (and its crossover filters when they moved), and one for the sum.
#pragma once

#include <string>

#include "ChannelAlignment.h"

// "channel 2: delay 0.29 ms (14 samples), polarity inverted, gain −1.5 dB",
// one line per channel, with a line for each of its filters that moved.
std::string FormatAlignChannels(const AlignRequest& request, const AlignOutcome& outcome);

// "flatness before 4.10 dB, after 0.21 dB (rms about its mean over
// 700–6000 Hz); deepest notch before −14.2 dB at 2.3 kHz, after −0.6 dB"
std::string FormatAlignSummary(const AlignOutcome& outcome);
