// The window's control ids: each control keeps its number, and the window
// finds controls by it. Ranges run per band (31) or per channel (4).
#pragma once

#include "Frame.h"

inline constexpr int IDC_GRAPH = 1163;
// Per band b: label, fader, bypass switch, gain field and Q field.
inline constexpr int IDC_BAND_LABEL = 1249;
inline constexpr int IDC_BAND_FADER = 2000;
inline constexpr int IDC_BAND_BYPASS = 1312;
inline constexpr int IDC_BAND_GAIN = 1000;
inline constexpr int IDC_BAND_Q = 2050;
inline constexpr int IDC_EQ_BYPASS_ALL = 1302;
inline constexpr int IDC_EQ_GAIN_MODE = 1282;
inline constexpr int IDC_EQ_Q_MODE = 1283;
inline constexpr int IDC_AB_FLAG = 1162;

inline constexpr int IDC_GAIN_FADER = 1135;
inline constexpr int IDC_GAIN_FIELD = 1082;
inline constexpr int IDC_HPF_FADER = 1136;
inline constexpr int IDC_HPF_FIELD = 1067;
inline constexpr int IDC_HPF_TYPE = 1308;
inline constexpr int IDC_HPF_SLOPE = 1309;
inline constexpr int IDC_LPF_FADER = 1137;
inline constexpr int IDC_LPF_FIELD = 1072;
inline constexpr int IDC_LPF_TYPE = 1310;
inline constexpr int IDC_LPF_SLOPE = 1311;
inline constexpr int IDC_DELAY_FADER = 1138;
inline constexpr int IDC_DELAY_FIELD = 1077;
inline constexpr int IDC_DELAY_UNIT = 1301;
inline constexpr int IDC_DELAY_OFF = 1195;
inline constexpr int IDC_INPUT_HIGH = 1343;
inline constexpr int IDC_INPUT_LOW = 1344;

// Per channel k.
inline constexpr int IDC_CHANNEL_BUTTON = 2090;
inline constexpr int IDC_OUTPUT_SWITCH = 2120;
inline constexpr int IDC_POLARITY = 1303;
inline constexpr int IDC_GATE_FIELD = 2110;
inline constexpr int IDC_LINK_LIST = 2100;
inline constexpr int IDC_BASS_LINK = 1307;

inline constexpr int IDC_SAVE = 1104;
inline constexpr int IDC_OPEN = 1182;
// Per device preset row r (PreS1..PreS5).
inline constexpr int IDC_SLOT_RADIO = 1174;
inline constexpr int IDC_SLOT_NAME = 1164;
inline constexpr int IDC_WRITE = 1183;
inline constexpr int IDC_READ = 1184;
inline constexpr int IDC_PORT_LIST = 1078;
inline constexpr int IDC_SEARCH = 1198;
inline constexpr int IDC_LINK = 1155;
inline constexpr int IDC_PROGRESS = 1080;
inline constexpr int IDC_LOGO = 1298;
inline constexpr int IDC_FULL_PICTURE = 1090;

inline constexpr int NUM_SLOT_ROWS = NUM_PRESET_SLOTS - 1;

inline constexpr bool IsBandControl(int nId, int nFirst)
{
    return nId >= nFirst && nId < nFirst + NUM_BANDS;
}
