// Changes on their way when the user disconnects or closes: the window sends
// them first, with the bar running and saying how many are left; a second
// CONNECT (or Cancel in the box shown on closing) stops at once, muted
// outputs still come back on, and the window says what did not arrive.
#include <QLineEdit>

#include "LinkLossText.h"
#include "MessageBox.h"
#include "PresetNameText.h"
#include "SendingBox.h"
#include "VardenDlg.h"

namespace {
constexpr const char* MSG_UNDELIVERED = "Not every change reached the device; it keeps its earlier values for:\n";
constexpr const char* MSG_UNDELIVERED_HINT =
    "\n\nConnecting again reads what the device holds; Undo Read then brings the window's values back.";
}  // namespace

void CVardenDlg::WaitForChanges(AfterSending after)
{
    m_afterSending = after;
    m_deviceLink.WaitForChanges();
    if (after == AfterSending::Close && !m_pSendingBox) {
        m_pSendingBox = new CSendingBox(this);
        connect(m_pSendingBox, &CSendingBox::Stop, this, [this] { StopSending(); });
        m_pSendingBox->SetCount(m_deviceLink.GetPendingChanges().nFrames);
        m_pSendingBox->open();
    }
}

void CVardenDlg::StopSending()
{
    if (m_deviceLink.GetState() != CDeviceLink::State::Draining)
        return;
    // Outputs muted for a bulk change must come back on first; nothing new
    // joins them meanwhile.
    if (m_deviceLink.StopSending())
        EnableWindow(false);
    else
        FinishSending();
}

void CVardenDlg::FollowSending()
{
    const CDeviceLink::State state = m_deviceLink.GetState();
    if (state == CDeviceLink::State::Sent || state == CDeviceLink::State::Stopped)
        FinishSending();
    else if (m_pSendingBox)
        m_pSendingBox->SetCount(m_deviceLink.GetPendingChanges().nFrames);
}

void CVardenDlg::FinishSending()
{
    const AfterSending after = std::exchange(m_afterSending, AfterSending::None);
    // The user stopped it: say what did not go.
    const bool bStopped = m_deviceLink.GetState() == CDeviceLink::State::Stopped;
    CloseSendingBox();
    // Everything arrived: the device holds the preset, and the window closes
    // as it does while connected with nothing on its way.
    if (after == AfterSending::Close && !bStopped) {
        close();
        Disconnect();
        return;
    }
    const std::string strWrite = bStopped ? TakeUnfinishedWrite() : std::string();
    Disconnect();
    SetTitle(NO_PORT);
    if (bStopped) {
        std::string strText = UndeliveredText();
        if (!strWrite.empty())
            strText += (strText.empty() ? "" : "\n") + strWrite;
        if (!strText.empty())
            ShowMessageBox(strText);
    }
    if (after == AfterSending::Close)
        close();
}

void CVardenDlg::CloseSendingBox()
{
    if (!m_pSendingBox)
        return;
    m_pSendingBox->hide();
    m_pSendingBox->deleteLater();
    m_pSendingBox = nullptr;
    // The keyboard goes back to the window the box stood over.
    activateWindow();
}

void CVardenDlg::AfterLinkLost()
{
    // The link told the user what it left undone; what the user asked for
    // goes on: disconnected already, and closing still closes.
    const AfterSending after = std::exchange(m_afterSending, AfterSending::None);
    CloseSendingBox();
    if (after != AfterSending::None)
        SetTitle(NO_PORT);
    if (after == AfterSending::Close)
        close();
}

std::string CVardenDlg::UndeliveredText() const
{
    const CUndelivered& undelivered = m_deviceLink.GetUndelivered();
    if (undelivered.IsEmpty())
        return std::string();
    return MSG_UNDELIVERED + undelivered.Describe() + MSG_UNDELIVERED_HINT;
}

std::string CVardenDlg::TakeUnfinishedWrite()
{
    if (m_write.nSlot < 0 || m_deviceLink.IsTransferComplete())
        return std::string();
    const std::string strText = DescribeWrittenPart(m_write.nSlot, m_deviceLink.GetTransferAnswered(),
                                                    m_deviceLink.GetUndelivered().WasTransferFrameOnLine());
    // A new name the device did not take: the field and the caption show
    // what they showed before the Write.
    if (m_write.nSlot > 0 && !m_deviceLink.IsTransferNameTaken()) {
        m_deviceLink.SetPresetName(m_write.nSlot, m_write.strOldName);
        NameField(m_write.nSlot - 1)->setText(NameToQString(m_write.strOldName));
        setWindowTitle(m_write.strOldTitle);
    }
    m_write.nSlot = -1;
    return strText;
}
