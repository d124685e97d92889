// A soak of the whole link: hundreds of random edits across channels, link
// groups, bypasses and bass link mode, made as the window makes them, while
// the virtual processor spoils answers at random (garbage, split, late and
// silent answers, bad trailers). Once the queue has drained, the device's
// live preset must equal the program's preset byte for byte: nothing was
// lost on the way.
//
// By default the virtual processor is unpaced and the link ticks every 4 ms
// (resend after 400 ms), so it runs in seconds. VARDEN_SOAK_EDITS,
// VARDEN_SOAK_FAULT_ONE_IN, VARDEN_SOAK_SEED and VARDEN_SOAK_PACED=1 (the
// 9600-baud line and the real 30 ms tick) make the longer run of
// scripts/soak.sh.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <iostream>
#include <map>
#include <mutex>
#include <random>
#include <string>

#include "DeviceLink.h"
#include "LinkMessages.h"
#include "LinkState.h"
#include "LinkWindow.h"
#include "MessageBox.h"
#include "PresetLimits.h"
#include "ProgressTarget.h"
#include "SerialWnd.h"
#include "SimPtyServer.h"
#include "TALVRoute.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

int EnvInt(const char* pszName, int nDefault)
{
    const char* p = std::getenv(pszName);
    return p && *p ? std::atoi(p) : nDefault;
}

// The main window as the link sees it, with its own loop: port messages
// from the listener thread, the link tick at its period.
class CSoakWindow : public CLinkWindow, public CProgressTarget {
public:
    CDeviceLink* m_pLink = nullptr;
    bool m_bReadDone = false;

    bool PostMessage(UINT nMsg, WPARAM wParam, LPARAM lParam) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.push_back({nMsg, wParam, lParam});
        m_cv.notify_all();
        return true;
    }
    LRESULT SendMessage(UINT nMsg, WPARAM, LPARAM) override
    {
        if (nMsg == WM_PRESET_NAMES_RECEIVED)
            m_pLink->OnPresetNamesReceived();
        return 0;
    }
    void EnableWindow(bool) override {}
    void StartLinkTimer() override {}
    void StopLinkTimer() override {}
    void OnLinkDisconnected() override {}
    void SetRange(int, int) override {}
    void SetPos(int nPos) override { m_nPos = nPos; }
    int GetPos() const override { return m_nPos; }

    // Delivers messages and ticks until the time is up.
    void RunFor(Clock::duration time, Clock::duration tick)
    {
        const auto end = Clock::now() + time;
        for (;;) {
            const auto now = Clock::now();
            if (now >= m_nextTick) {
                m_nextTick = now + tick;
                m_pLink->OnLinkTick();
            }
            if (now >= end)
                return;
            Message m{};
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                if (!m_cv.wait_until(lock, std::min(end, m_nextTick), [this] { return !m_queue.empty(); }))
                    continue;
                m = m_queue.front();
                m_queue.pop_front();
            }
            if (m.nMsg == CSerialWnd::s_nDefaultComMsg)
                m_pLink->OnPortEvent(m.wParam);
            else if (m.nMsg == WM_PRESET_READ_COMPLETE) {
                m_pLink->LoadReceivedPreset();
                m_bReadDone = true;
            }
        }
    }

private:
    struct Message {
        UINT nMsg;
        WPARAM wParam;
        LPARAM lParam;
    };
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<Message> m_queue;
    Clock::time_point m_nextTick{};
    int m_nPos = 0;
};

class CSoak {
public:
    CSoak(bool bPaced, unsigned nSeed, int nFaultOneIn)
        : m_nFaultOneIn(std::max(1, nFaultOneIn)),
          m_bPaced(bPaced),
          m_tick(bPaced ? std::chrono::milliseconds(LINK_TICK_MS) : 4ms),
          m_rng(nSeed),
          m_server(Options(bPaced)),
          m_link(m_route, m_wnd, m_wnd)
    {
        m_wnd.m_pLink = &m_link;
        ResetLinkGroups(m_route);
        g_bBassLink = false;
        m_oldBox = SetMessageBoxHandler([this](const std::string& text, MessageIcon, MessageButtons) {
            m_asBoxes.push_back(text);
            return MessageAnswer::Ok;
        });
    }
    ~CSoak()
    {
        m_link.Disconnect();
        m_server.Stop();
        SetMessageBoxHandler(std::move(m_oldBox));
        g_bBassLink = false;
        ResetLinkGroups(m_route);
    }

    void Run(int nEdits)
    {
        std::string error;
        ASSERT_TRUE(m_server.Start(error)) << error;
        // Late answers come after the resend and before the link would give up.
        const int nLateMs =
            m_bPaced ? CVirtualProcessor::DEFAULT_LATE_MS
                     : static_cast<int>(m_tick.count() / 1'000'000) * (LINK_RESEND_TICKS + LINK_GIVE_UP_TICKS) / 2;
        m_server.WithProcessor([&](CVirtualProcessor& p) { p.SetLateDelay(nLateMs); });
        ASSERT_TRUE(m_link.Connect(m_server.GetPortPath()));
        const auto guard = Clock::now() + 60s;
        while (!m_wnd.m_bReadDone && m_link.IsConnected() && Clock::now() < guard)
            m_wnd.RunFor(50ms, m_tick);
        ASSERT_TRUE(m_wnd.m_bReadDone);

        const auto start = Clock::now();
        for (int i = 0; i < nEdits && m_link.IsConnected(); ++i) {
            Edit();
            MaybeFault();
            m_wnd.RunFor(m_tick * Pick(0, 6), m_tick);
        }
        Drain();
        m_seconds = std::chrono::duration<double>(Clock::now() - start).count();
    }

    // The device's live slot against what the program would write there.
    void ExpectDeviceEqualsProgram()
    {
        EXPECT_TRUE(m_link.IsConnected()) << "link lost (" << static_cast<int>(m_link.GetLoss()) << ") after "
                                          << m_nEdits << " edits; last fault " << m_strLastFault;
        for (int k = 0; k < NUM_CHANNELS; ++k) {
            const auto pWrite = m_route.GetChannel(k).BuildBlockWrite(0);
            const SimBlock block = m_server.WithProcessor([&](CVirtualProcessor& p) { return p.GetBlock(0, k); });
            for (int i = FRAME_PAYLOAD; i < BLOCK_INDEX1_COPY; ++i)
                EXPECT_EQ(block[static_cast<std::size_t>(i)], pWrite->GetData()[i]) << "channel " << k << " byte " << i;
        }
    }

    void Report(std::ostream& out)
    {
        out << "soak: " << m_nEdits << " edits in " << m_seconds << " s (" << (m_bPaced ? "paced" : "unpaced")
            << "), faults:";
        for (const auto& [name, n] : m_faults)
            out << " " << name << " " << n;
        const auto accepted = m_server.WithProcessor([](CVirtualProcessor& p) {
            return std::array<int, 3>{p.GetAcceptedCount(CMD_PARAMETER), p.GetAcceptedCount(CMD_BLOCK_WRITE),
                                      p.GetAcceptedCount(CMD_POLL)};
        });
        out << "; device took " << accepted[0] << " parameter frames, " << accepted[1] << " block writes, "
            << accepted[2] << " polls; link dropped " << m_link.GetLink().GetDroppedCount() << " unusable answers\n";
    }

private:
    static SimServerOptions Options(bool bPaced)
    {
        SimServerOptions options;
        options.bPaced = bPaced;
        return options;
    }
    int Pick(int nLo, int nHi) { return std::uniform_int_distribution<int>(nLo, nHi)(m_rng); }
    CTALVData& Channel(int k) { return m_route.GetChannel(k); }

    // One action of the window, on a channel it lets the user edit.
    void Edit()
    {
        ++m_nEdits;
        const int k = g_bBassLink ? 0 : Pick(0, NUM_CHANNELS - 1);
        CTALVData& ch = Channel(k);
        const int b = Pick(0, NUM_BANDS - 1);
        switch (Pick(0, 20)) {
        case 0:
        case 1:
        case 2:
            ch.SetGain(static_cast<short>(Pick(0, 400)), b);
            break;
        case 3:
            ch.SetQ(static_cast<short>(Pick(BAND_Q_RANGE.nMin, BAND_Q_RANGE.nMax)), b);
            break;
        case 4:
            ch.SetBandBypass(b, Pick(0, 1));
            break;
        case 5:
            ch.SetEqBypassAll(Pick(0, 1));
            break;
        case 6:
            ch.SetHpfFreq(static_cast<short>(Pick(20, 2000)));
            break;
        case 7:
            ch.SetLpfFreq(static_cast<short>(Pick(2000, 20000)));
            break;
        case 8:
            ch.SetHpfType(static_cast<BYTE>(Pick(0, 2)));
            ch.SetLpfSlope(static_cast<BYTE>(Pick(0, 6)));
            break;
        case 9:
            ch.SetOutputOn(static_cast<BYTE>(Pick(0, 1)));
            break;
        case 10:
            ch.SetPolarity(static_cast<BYTE>(Pick(0, 1)));
            break;
        case 11:
            ch.SetChannelGain(static_cast<short>(Pick(0, 800)));
            break;
        case 12:
            ch.SetDelay(static_cast<short>(Pick(0, 960)));
            break;
        case 13:
            ch.SetGateThreshold(Pick(GATE_ENTERED_RANGE.nMin, GATE_ENTERED_RANGE.nMax));
            break;
        case 14:
            ch.SetInputLevel(static_cast<BYTE>(Pick(0, 1)));
            break;
        case 15:
        case 16:
            // The window's crossover timer moves every channel's ramp.
            for (int c = 0; c < NUM_CHANNELS; ++c)
                Channel(c).StepCrossoverRamp();
            break;
        case 17:
        case 18:
            if (!g_bBassLink)
                ChooseLinkGroup(Pick(0, NUM_CHANNELS - 1), Pick(0, NUM_CHANNELS - 1));
            break;
        default:
            ToggleBassLink();
            break;
        }
    }

    // A channel joins a group: it takes over a member's settings, and the
    // whole channel goes to the device's live preset.
    void ChooseLinkGroup(int k, int n)
    {
        for (int i = 0; i < NUM_CHANNELS; ++i) {
            if (i != k && g_anLinkGroup[i] == n) {
                Channel(k).CopyLinked(Channel(i));
                m_link.GetLink().Enqueue(Channel(k).BuildBlockWrite(0));
            }
        }
        g_anLinkGroup[k] = n;
    }

    void ToggleBassLink()
    {
        g_bBassLink = !g_bBassLink;
        if (g_bBassLink) {
            g_anLinkGroup[0] = g_anLinkGroup[1] = 0;
            g_anLinkGroup[2] = 2;
            g_anLinkGroup[3] = 3;
            Channel(1).CopyAll(Channel(0));
            m_link.GetLink().Enqueue(Channel(1).BuildBlockWrite(0));
        } else {
            g_anLinkGroup[0] = 0;
            g_anLinkGroup[1] = 1;
        }
    }

    // Now and then the next answer goes wrong. Never while an earlier fault
    // is still pending, so no frame loses both its answer and its resend's.
    void MaybeFault()
    {
        static const std::pair<SimFault, const char*> faults[] = {{SimFault::Garbage, "garbage"},
                                                                  {SimFault::Split, "split"},
                                                                  {SimFault::Late, "late"},
                                                                  {SimFault::BadTrailer, "bad-trailer"},
                                                                  {SimFault::Silent, "silent"}};
        if (Pick(1, m_nFaultOneIn) != 1)
            return;
        const CSendData* pHead = m_link.GetLink().GetHead();
        if (pHead && !pHead->m_bUnsent)
            return;  // its answer may already be spoilt
        const bool bIdle = m_server.WithProcessor([](CVirtualProcessor& p) { return p.GetFault() == SimFault::None; });
        if (!bIdle)
            return;
        const auto& [fault, name] = faults[Pick(0, 4)];
        m_server.SetFault(fault, 1);
        ++m_faults[name];
        m_strLastFault = name;
    }

    // Until nothing is queued or dirty and no fault is pending, then long
    // enough for a late answer still on its way to arrive.
    void Drain()
    {
        const auto guard = Clock::now() + (m_bPaced ? 300s : 40s);
        auto busy = [&] {
            if (m_link.GetLink().GetCount() > 0)
                return true;
            for (int k = 0; k < NUM_CHANNELS; ++k)
                if (Channel(k).IsAnyDirty())
                    return true;
            return m_server.WithProcessor([](CVirtualProcessor& p) { return p.GetFault() != SimFault::None; });
        };
        while (m_link.IsConnected() && Clock::now() < guard) {
            m_wnd.RunFor(m_tick * 10, m_tick);
            if (busy())
                continue;
            m_wnd.RunFor(m_tick * (LINK_GIVE_UP_TICKS + 10), m_tick);
            if (!busy())
                break;
        }
    }

    int m_nFaultOneIn;  // a fault after about one edit in this many
    bool m_bPaced;
    Clock::duration m_tick;
    std::mt19937 m_rng;
    CSimPtyServer m_server;
    CTALVRoute m_route;
    CSoakWindow m_wnd;
    CDeviceLink m_link;
    std::vector<std::string> m_asBoxes;
    MessageBoxHandler m_oldBox;
    int m_nEdits = 0;
    std::map<std::string, int> m_faults;
    double m_seconds = 0;
    std::string m_strLastFault;
};

TEST(SoakTest, RandomEditsThroughLineFaultsReachTheDeviceWhole)
{
    const unsigned nSeed = static_cast<unsigned>(EnvInt("VARDEN_SOAK_SEED", 11));
    CSoak soak(EnvInt("VARDEN_SOAK_PACED", 0) != 0, nSeed, EnvInt("VARDEN_SOAK_FAULT_ONE_IN", 2));
    soak.Run(EnvInt("VARDEN_SOAK_EDITS", 400));
    soak.ExpectDeviceEqualsProgram();
    soak.Report(std::cout);
}

}  // namespace
