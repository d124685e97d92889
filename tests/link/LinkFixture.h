// The device link under test, wired to a pseudo-terminal whose far end the
// test plays: either with the virtual processor core (answering frames as
// the device does, synchronously, when the test says so) or byte by byte.
// The link tick is called by the test; nothing here waits for timers.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "DeviceLink.h"
#include "LinkMessages.h"
#include "LinkState.h"
#include "LinkWindow.h"
#include "MessageBox.h"
#include "ProgressTarget.h"
#include "PtyPair.h"
#include "SerialWnd.h"
#include "TALVRoute.h"
#include "VirtualProcessor.h"

using Bytes = std::vector<BYTE>;

inline Bytes FrameBytes(const CSendData& frame)
{
    return Bytes(frame.GetData(), frame.GetData() + frame.GetLength());
}

// The main window as the link sees it, with a message queue the test pumps.
class CTestLinkWindow : public CLinkWindow, public CProgressTarget {
public:
    struct Message {
        UINT nMsg;
        WPARAM wParam;
        LPARAM lParam;
    };

    CDeviceLink* m_pLink = nullptr;
    bool m_bEnabled = true;
    bool m_bTimer = false;
    int m_nDisconnects = 0;
    int m_nPos = 0;
    int m_nUpper = 0;
    std::vector<int> m_anPos;
    std::vector<Message> m_aHandled;  // sent and posted link messages, in order

    bool PostMessage(UINT nMsg, WPARAM wParam, LPARAM lParam) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.push_back({nMsg, wParam, lParam});
        m_cv.notify_all();
        return true;
    }
    LRESULT SendMessage(UINT nMsg, WPARAM wParam, LPARAM lParam) override
    {
        Handle({nMsg, wParam, lParam});
        return 0;
    }
    void EnableWindow(bool bEnable) override { m_bEnabled = bEnable; }
    void StartLinkTimer() override { m_bTimer = true; }
    void StopLinkTimer() override { m_bTimer = false; }
    void OnLinkDisconnected() override { ++m_nDisconnects; }
    void SetRange(int, int nUpper) override { m_nUpper = nUpper; }
    void SetPos(int nPos) override
    {
        m_nPos = nPos;
        m_anPos.push_back(nPos);
    }
    int GetPos() const override { return m_nPos; }
    void SetText(const std::string& strText) override { m_strText = strText; }
    std::string m_strText;

    // Handles queued messages until done() holds; false when the guard
    // time ran out first (the test then fails, it never hangs).
    template <class F> bool PumpUntil(F done, std::chrono::milliseconds guard = std::chrono::seconds(5))
    {
        const auto end = std::chrono::steady_clock::now() + guard;
        while (!done()) {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (m_queue.empty() && !m_cv.wait_until(lock, end, [this] { return !m_queue.empty(); }))
                return done();
            const Message m = m_queue.front();
            m_queue.pop_front();
            lock.unlock();
            Handle(m);
        }
        return true;
    }
    // Handles whatever arrives within the given time.
    void PumpFor(std::chrono::milliseconds time)
    {
        PumpUntil([] { return false; }, time);
    }

private:
    void Handle(const Message& m)
    {
        if (m.nMsg == CSerialWnd::s_nDefaultComMsg) {
            m_pLink->OnPortEvent(m.wParam);
            return;
        }
        m_aHandled.push_back(m);
        if (m.nMsg == WM_PRESET_NAMES_RECEIVED)
            m_pLink->OnPresetNamesReceived();
        else if (m.nMsg == WM_PRESET_READ_COMPLETE)
            m_pLink->LoadReceivedPreset();
    }

    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<Message> m_queue;
};

class LinkFixture : public ::testing::Test {
protected:
    LinkFixture() : m_link(m_route, m_wnd, m_wnd)
    {
        m_wnd.m_pLink = &m_link;
        m_oldBox = SetMessageBoxHandler([this](const std::string& text, MessageIcon icon, MessageButtons) {
            m_asBoxes.push_back(text);
            m_aBoxIcons.push_back(icon);
            return MessageAnswer::Ok;
        });
    }
    ~LinkFixture() override
    {
        m_link.Disconnect();
        SetMessageBoxHandler(std::move(m_oldBox));
    }

    bool Connect(CDeviceLink::ConnectMode mode = CDeviceLink::ConnectMode::Full)
    {
        return m_link.Connect(m_pty.Slave(), mode);
    }
    CCommand& Link() { return m_link.GetLink(); }

    // Everything the link has written so far that the device has not taken.
    Bytes TakeWritten(std::chrono::milliseconds wait = std::chrono::milliseconds(20))
    {
        Bytes out;
        BYTE buf[4096];
        pollfd pfd{m_pty.Master(), POLLIN, 0};
        while (poll(&pfd, 1, static_cast<int>(wait.count())) > 0) {
            const ssize_t n = read(m_pty.Master(), buf, sizeof buf);
            if (n <= 0)
                break;
            out.insert(out.end(), buf, buf + n);
        }
        return out;
    }
    // Exactly nLen bytes the link wrote (guarded).
    Bytes TakeFrame(std::size_t nLen)
    {
        Bytes out;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        BYTE buf[BLOCK_FRAME_LEN];
        while (out.size() < nLen && std::chrono::steady_clock::now() < end) {
            pollfd pfd{m_pty.Master(), POLLIN, 0};
            if (poll(&pfd, 1, 100) <= 0)
                continue;
            const ssize_t n = read(m_pty.Master(), buf, std::min(sizeof buf, nLen - out.size()));
            if (n > 0)
                out.insert(out.end(), buf, buf + n);
        }
        return out;
    }
    void DeviceSends(const Bytes& bytes)
    {
        ASSERT_EQ(write(m_pty.Master(), bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // The virtual processor takes what the link wrote and answers it now.
    Bytes DeviceAnswers(const Bytes& written)
    {
        m_device.Receive(written);
        Bytes answer;
        for (const SimChunk& chunk : m_device.TakeOutput())
            answer.insert(answer.end(), chunk.bytes.begin(), chunk.bytes.end());
        DeviceSends(answer);
        return answer;
    }
    // One tick that sends a frame of nLen bytes, the device's answer, and the
    // link taking it in (the queue shrinks). Returns the frame.
    Bytes TickAndAnswer(std::size_t nLen)
    {
        const int nBefore = Link().GetCount() == 0 ? 1 : Link().GetCount();
        m_link.OnLinkTick();
        const Bytes frame = TakeFrame(nLen);
        DeviceAnswers(frame);
        EXPECT_TRUE(m_wnd.PumpUntil([&] { return Link().GetCount() < nBefore; }));
        return frame;
    }
    // Completes the connect sequence (six names, slot 0 read).
    void ConnectAndSettle()
    {
        ASSERT_TRUE(Connect());
        for (int s = 0; s < NUM_PRESET_SLOTS; ++s)
            TickAndAnswer(SHORT_FRAME_LEN);
        TickAndAnswer(SHORT_FRAME_LEN);
        for (int k = 0; k < NUM_CHANNELS; ++k)
            TickAndAnswer(SHORT_FRAME_LEN);
        ASSERT_EQ(Link().GetCount(), 0);
        m_wnd.PumpUntil([&] { return m_wnd.m_bEnabled; });
    }

    CPtyPair m_pty;
    CTALVRoute m_route;
    CTestLinkWindow m_wnd;
    CDeviceLink m_link;
    CVirtualProcessor m_device;
    std::vector<std::string> m_asBoxes;
    std::vector<MessageIcon> m_aBoxIcons;
    MessageBoxHandler m_oldBox;
};
