// Channel selection, the four output columns (each acts on its own channel,
// whatever channel is edited), the Linking lists and bass link mode.
#include "Audio_OutData.h"
#include "BmpStatic.h"
#include "ControlIds.h"
#include "FStatic.h"
#include "LinkState.h"
#include "NumEdit.h"
#include "TALVData.h"
#include "VardenDlg.h"
#include "xSkinButton.h"

void CVardenDlg::SelectChannel(int nCh)
{
    // A drag step the graph has not reported yet belongs to the channel it
    // was made on: hand it over before the graph shows another channel.
    Graph()->OnTimer(ID_TIMER_GRAPH);
    m_nSelBand = -1;
    SelectBandLabel(0);
    // Only the connected port is pinned; while disconnected the list keeps
    // the port the user chose.
    if (IsConnected())
        SelectItem(IDC_PORT_LIST, m_nPortIndex);
    m_nCurChannel = nCh;
    Graph()->ShowChannel(nCh);
    m_pCurCurves = &m_curves.GetOutData(nCh);
    m_pCurData = &m_route.GetChannel(nCh);
    SetPressed(IDC_CHANNEL_BUTTON + nCh, true);
    m_pCurCurves->SetABFlag(m_pCurData->GetABFlag());
    Item<CBmpStatic>(IDC_AB_FLAG)->SetState(m_pCurData->GetABFlag() != 0);
    RefreshGainDelayView();
    RefreshCrossoverView();
    RefreshBandView();
    RefreshOutputsView();
    update();
}

void CVardenDlg::OnChannelButton(int k)
{
    if (k == m_nCurChannel)
        return;
    SetPressed(IDC_CHANNEL_BUTTON + m_nCurChannel, false);
    SelectChannel(k);
}

void CVardenDlg::OnOutputSwitch(int k)
{
    const bool on = !IsPressed(IDC_OUTPUT_SWITCH + k);
    m_route.GetChannel(k).SetOutputOn(on ? 1 : 0);
    SetPressed(IDC_OUTPUT_SWITCH + k, on);
    // Only bass link mode copies the output switch to the group.
    if (!g_bBassLink)
        return;
    for (int i = 0; i < NUM_CHANNELS; ++i)
        if (IsLinked(i, k))
            SetPressed(IDC_OUTPUT_SWITCH + i, m_route.GetChannel(i).GetOutputOn() != 0);
}

void CVardenDlg::OnPolarity(int k)
{
    const bool inv = !IsPressed(IDC_POLARITY + k);
    m_route.GetChannel(k).SetPolarity(inv ? 1 : 0);
    SetPressed(IDC_POLARITY + k, inv);
    RefreshLinkedPolarity(k);
}

void CVardenDlg::OnGateField(int k)
{
    const int v = FieldValue(IDC_GATE_FIELD + k);
    if (v == m_route.GetChannel(k).GetGateThreshold())
        return;
    m_route.GetChannel(k).SetGateThreshold(v);
    RefreshLinkedGates(k);
}

void CVardenDlg::RefreshLinkedPolarity(int c)
{
    for (int i = 0; i < NUM_CHANNELS; ++i)
        if (IsLinked(i, c))
            SetPressed(IDC_POLARITY + i, m_route.GetChannel(i).GetPolarity() != 0);
}

void CVardenDlg::RefreshLinkedGates(int c)
{
    for (int i = 0; i < NUM_CHANNELS; ++i)
        if (IsLinked(i, c))
            ShowValue(IDC_GATE_FIELD + i, m_route.GetChannel(i).GetGateThreshold());
}

void CVardenDlg::RefreshOutputsView()
{
    for (int k = 0; k < NUM_CHANNELS; ++k) {
        const CTALVData& ch = m_route.GetChannel(k);
        SetPressed(IDC_OUTPUT_SWITCH + k, ch.GetOutputOn() != 0);
        ShowValue(IDC_GATE_FIELD + k, ch.GetGateThreshold());
        SetPressed(IDC_POLARITY + k, ch.GetPolarity() != 0);
    }
}

void CVardenDlg::OnLinkList(int k)
{
    const int n = SelectedItem(IDC_LINK_LIST + k);
    if (n < 0 || n >= NUM_CHANNELS)
        return;
    CTALVData& channel = m_route.GetChannel(k);
    for (int i = 0; i < NUM_CHANNELS; ++i) {
        if (i == k || g_anLinkGroup[i] != n)
            continue;
        channel.CopyLinked(m_route.GetChannel(i));
        m_deviceLink.SendChannelBlock(k);
        if (k == m_nCurChannel)
            SelectChannel(k);
    }
    g_anLinkGroup[k] = n;
    // Column k took another channel's gate and polarity; every column shows
    // its own channel again, not only the members of group n.
    RefreshOutputsView();
}

void CVardenDlg::OnBassLinkMode()
{
    g_bBassLink = !g_bBassLink;
    SetPressed(IDC_BASS_LINK, g_bBassLink);
    if (g_bBassLink) {
        g_anLinkGroup[0] = 0;
        g_anLinkGroup[1] = 0;
        g_anLinkGroup[2] = 2;
        g_anLinkGroup[3] = 3;
        for (int k = 0; k < NUM_CHANNELS; ++k)
            SelectItem(IDC_LINK_LIST + k, g_anLinkGroup[k]);
        m_route.GetChannel(1).CopyAll(m_route.GetChannel(0));
        m_deviceLink.SendChannelBlock(1);
        if (m_nCurChannel != 0)
            SetPressed(IDC_CHANNEL_BUTTON + m_nCurChannel, false);
        SelectChannel(0);
    } else {
        g_anLinkGroup[0] = 0;
        g_anLinkGroup[1] = 1;
        SelectItem(IDC_LINK_LIST, 0);
        SelectItem(IDC_LINK_LIST + 1, 1);
    }
    EnableBassLinkedControls();
}

void CVardenDlg::EnableBassLinkedControls()
{
    const bool bEnable = !g_bBassLink;
    for (int k = 2; k < NUM_CHANNELS; ++k) {
        EnableItem(IDC_POLARITY + k, bEnable);
        EnableItem(IDC_OUTPUT_SWITCH + k, bEnable);
        EnableItem(IDC_GATE_FIELD + k, bEnable);
    }
    for (int k = 0; k < NUM_CHANNELS; ++k) {
        EnableItem(IDC_CHANNEL_BUTTON + k, bEnable);
        EnableItem(IDC_LINK_LIST + k, bEnable);
    }
}
