#include "CliSession.h"

#include <unistd.h>

#include "LinkLossText.h"
#include "LinkMessages.h"
#include "PortErrorText.h"

CCliSession::CCliSession(const CommandLine& cl)
    : m_cl(cl), m_wnd(cl.err, isatty(STDERR_FILENO) == 1), m_link(m_route, m_wnd, m_wnd)
{
    m_wnd.SetLink(&m_link);
    m_wnd.m_onNamesReceived = [this] {
        m_link.OnPresetNamesReceived();
        m_bNames = true;
    };
    m_oldHandler = SetMessageBoxHandler([this](const std::string& text, MessageIcon, MessageButtons) {
        m_strMessage = text;
        return MessageAnswer::Ok;
    });
}

CCliSession::~CCliSession()
{
    m_link.Disconnect();
    SetMessageBoxHandler(std::move(m_oldHandler));
}

bool CCliSession::Connect(CDeviceLink::ConnectMode mode)
{
    const std::string port = m_cl.Get("--port");
    m_wnd.SetWaitNotice("vardenctl " + m_cl.strCommand + ": waiting for the device\u2026");
    if (m_link.Connect(port, mode))
        return true;
    const std::string reason = DescribePortError(port, m_link.GetLink().GetPortError());
    m_cl.Fail(EXIT_IO, MSG_UNABLE_TO_OPEN + std::string(": ") + reason);
    return false;
}

bool CCliSession::RunUntil(const std::function<bool()>& bDone)
{
    m_wnd.Run(bDone);
    m_wnd.FinishProgress();
    return bDone();
}

bool CCliSession::WaitFor(const std::function<bool()>& bDone)
{
    if (RunUntil(bDone))
        return true;
    LinkFailed();
    return false;
}

std::string CCliSession::LossText() const
{
    const std::string text = m_strMessage.empty() ? MSG_UNABLE_TO_OPEN : m_strMessage;
    return text + ": " + DescribeLinkLoss(m_link.GetLoss());
}

int CCliSession::LinkFailed(const std::string& strAfter) const
{
    return m_cl.Fail(EXIT_IO, LossText() + strAfter);
}

bool CCliSession::ReadSlot(int nSlot, PresetData& data)
{
    bool bDone = false;
    m_wnd.m_onReadComplete = [&] {
        // The blocks as they are: reading never writes to the device.
        m_link.LoadReceivedBlocks();
        m_wnd.EnableWindow(true);
        bDone = true;
    };
    m_wnd.ShowTransferProgress(true);
    m_link.ReadFromDevice(nSlot);
    const bool bRead = WaitFor([&] { return bDone; });
    m_wnd.m_onReadComplete = nullptr;
    if (!bRead)
        return false;
    m_route.m_strName = m_link.m_strPresetName[static_cast<std::size_t>(nSlot)];
    data = PresetFromRoute(m_route);
    return true;
}

bool CCliSession::WriteSlot(int nSlot, const PresetData& data, const std::string& strName)
{
    LoadRouteFromPreset(data, m_route);
    m_link.m_strPresetName[static_cast<std::size_t>(nSlot)] = strName;
    m_wnd.ShowTransferProgress(true);
    m_link.WriteToDevice(nSlot);
    return WaitFor([&] { return m_link.IsTransferComplete(); });
}

bool CCliSession::ReadNames()
{
    m_bNames = false;
    m_link.RequestPresetNames();
    return WaitFor([&] { return m_bNames; });
}
