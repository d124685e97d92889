// The real window, offscreen, in a working folder of its own, with the
// virtual processor on a pseudo-terminal as its first port. Message boxes and
// file dialogs are answered by the test; the link tick is run by hand.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>

#include "AppSettings.h"
#include "BitButton.h"
#include "BitmapSlider.h"
#include "ControlIds.h"
#include "FStatic.h"
#include "FileDialogST.h"
#include "LinkMessages.h"
#include "LinkState.h"
#include "MessageBox.h"
#include "NumEdit.h"
#include "SimPtyServer.h"
#include "TALVData.h"
#include "VardenDlg.h"
#include "xSkinButton.h"

// The window's keyboard and mouse rules, offered every event first, as the
// application installs them.
class KeyboardFilter : public QObject {
public:
    explicit KeyboardFilter(CVardenDlg& dlg) : m_dlg(dlg) { qApp->installEventFilter(this); }
    ~KeyboardFilter() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override { return m_dlg.PreTranslateMessage(pWatched, pEvent); }

private:
    CVardenDlg& m_dlg;
};

class WindowTest : public ::testing::Test {
protected:
    struct Box {
        std::string strText;
        MessageButtons buttons;
    };

    void SetUp() override
    {
        m_oldDir = std::filesystem::current_path();
        char szDir[] = "/tmp/varden-window-XXXXXX";
        ASSERT_NE(mkdtemp(szDir), nullptr);
        m_dir = szDir;
        std::filesystem::current_path(m_dir);
        // Each test remembers its settings in its own folder.
        m_oldSettings = qgetenv(CAppSettings::ENV_FILE);
        qputenv(CAppSettings::ENV_FILE, QFile::encodeName(QString::fromStdString((m_dir / "settings.conf").string())));
        m_oldNetPorts = qgetenv("VARDEN_NET_PORTS");
        qputenv("VARDEN_NET_PORTS", QFile::encodeName(QString::fromStdString((m_dir / "network-ports").string())));
        g_bBassLink = false;
        SetMessageBoxHandler([this](const std::string& strText, MessageIcon, MessageButtons buttons) {
            m_boxes.push_back({strText, buttons});
            return m_answer;
        });
        CFileDialogST::SetModalChooser([this](QFileDialog&) {
            ++m_nDialogs;
            return m_strChosen.empty() ? QStringList() : QStringList{QString::fromStdString(m_strChosen)};
        });
        SimServerOptions options;
        options.bPaced = false;
        m_pSim = std::make_unique<CSimPtyServer>(options);
        std::string strError;
        ASSERT_TRUE(m_pSim->Start(strError)) << strError;
        StartWindow();
    }

    void TearDown() override
    {
        m_pDlg.reset();
        m_pSim.reset();
        CFileDialogST::SetModalChooser({});
        SetMessageBoxHandler({});
        g_bBassLink = false;
        qputenv(CAppSettings::ENV_FILE, m_oldSettings);
        qputenv("VARDEN_NET_PORTS", m_oldNetPorts);
        std::filesystem::current_path(m_oldDir);
        std::filesystem::remove_all(m_dir);
    }

    void StartWindow()
    {
        m_pDlg = std::make_unique<CVardenDlg>();
        m_pDlg->AddExtraPort(m_pSim->GetPortPath());
        m_pDlg->OnInitDialog();
        m_pDlg->show();
        QApplication::setActiveWindow(m_pDlg.get());
        Pump();
    }

public:
    static void Pump()
    {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
        }
    }

    // Presses a key as the application delivers it: through its event filters.
    static void Key(QWidget* pTarget, int nKey)
    {
        QKeyEvent press(QEvent::KeyPress, nKey, Qt::NoModifier);
        QApplication::sendEvent(pTarget, &press);
        Pump();
    }

protected:
    CVardenDlg& Dlg() { return *m_pDlg; }
    template <class T> T* Ctl(int nId) { return m_pDlg->Item<T>(nId); }
    CTALVData& Channel(int k) { return m_pDlg->GetRoute().GetChannel(k); }
    CCommand& Link() { return m_pDlg->GetDeviceLink().GetLink(); }

    void Click(int nId)
    {
        QWidget* pControl = m_pDlg->GetDlgItem(nId);
        ASSERT_NE(pControl, nullptr) << nId;
        QTest::mouseClick(pControl, Qt::LeftButton, Qt::NoModifier, pControl->rect().center());
        Pump();
    }

    void Choose(int nListId, int nItem)
    {
        QComboBox* pList = Ctl<QComboBox>(nListId);
        pList->setCurrentIndex(nItem);
        emit pList->activated(nItem);
        Pump();
    }

    // Types into a field and leaves it, as a user tabbing away does.
    void Type(int nFieldId, const QString& strText)
    {
        QLineEdit* pField = Ctl<QLineEdit>(nFieldId);
        pField->setFocus();
        pField->selectAll();
        QTest::keyClicks(pField, strText);
        m_pDlg->setFocus();
        Pump();
    }

    // Drags a fader's thumb by dy pixels and lets go.
    void DragFader(int nId, int nDy)
    {
        auto* pFader = Ctl<CBitmapSlider>(nId);
        const QPoint start(pFader->width() / 2, pFader->GetThumbPixel());
        QTest::mousePress(pFader, Qt::LeftButton, Qt::NoModifier, start);
        QMouseEvent move(QEvent::MouseMove, QPointF(start + QPoint(0, nDy)),
                         pFader->mapToGlobal(QPointF(start + QPoint(0, nDy))), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(pFader, &move);
        QTest::mouseRelease(pFader, Qt::LeftButton, Qt::NoModifier, start + QPoint(0, nDy));
        Pump();
    }

    // One link tick, then a moment for the device's answer to arrive.
    void Tick(bool bAwaitAnswer = true)
    {
        m_pDlg->OnTimer(ID_TIMER_LINK);
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(bAwaitAnswer ? 200 : 0);
        CSendData* pHead = Link().GetHead();
        while (std::chrono::steady_clock::now() < end && Link().GetCount() > 0 && Link().GetHead() == pHead &&
               m_pDlg->IsConnected()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        Pump();
    }

    // Ticks until bDone holds; after a few seconds gives up with a failure
    // that names what was awaited (a lost answer fails fast, never hangs).
    bool RunLink(const std::function<bool()>& bDone, const std::string& strWhat)
    {
        const auto end = std::chrono::steady_clock::now() + LINK_WAIT;
        while (!bDone()) {
            if (std::chrono::steady_clock::now() > end) {
                ADD_FAILURE() << "gave up after " << LINK_WAIT.count() << " s waiting for " << strWhat << " ("
                              << Link().GetCount() << " frames queued, "
                              << (m_pDlg->IsConnected() ? "connected" : "disconnected") << ")";
                return false;
            }
            Tick();
        }
        return true;
    }
    static constexpr std::chrono::seconds LINK_WAIT{8};

    // Ticks until nothing but polls is left to send.
    bool Drain()
    {
        return RunLink(
            [this] {
                return !m_pDlg->GetDeviceLink().HasPendingChanges() && !m_pDlg->IsBusy() &&
                       (Link().GetCount() == 0 ||
                        (Link().GetCount() == 1 && Link().GetHead()->GetData()[FRAME_CMD] == CMD_POLL));
            },
            "the link to drain");
    }

    void Connect()
    {
        Click(IDC_LINK);
        ASSERT_TRUE(m_pDlg->IsConnected());
        m_pDlg->StopLinkTimer();  // the test runs the tick
        ASSERT_TRUE(Drain());
    }

    int Accepted(BYTE nCommand)
    {
        return m_pSim->WithProcessor([&](CVirtualProcessor& p) { return p.GetAcceptedCount(nCommand); });
    }

    // The device's stored channel as the program would write it: everything
    // but the command byte and the checksum.
    void ExpectDeviceHolds(int nSlot, int k, const std::string& strWhy = std::string())
    {
        const SimBlock device = m_pSim->WithProcessor([&](CVirtualProcessor& p) { return p.GetBlock(nSlot, k); });
        const auto pWrite = Channel(k).BuildBlockWrite(nSlot);
        for (int i = FRAME_INDEX1; i < BLOCK_FRAME_LEN - 2; ++i)
            ASSERT_EQ(device[static_cast<std::size_t>(i)], pWrite->GetData()[i])
                << "channel " << k << " byte " << i << " " << strWhy;
    }

    // The frames (channel, frame index: band, 31 crossover, 32 channel
    // section) in which the device's live slot differs from the window.
    std::vector<std::pair<int, int>> DeviceDiffers()
    {
        std::vector<std::pair<int, int>> differ;
        for (int k = 0; k < NUM_CHANNELS; ++k) {
            const SimBlock device = m_pSim->WithProcessor([&](CVirtualProcessor& p) { return p.GetBlock(0, k); });
            const auto pWrite = Channel(k).BuildBlockWrite(0);
            for (int i = FRAME_PAYLOAD; i < BLOCK_INDEX1_COPY; ++i) {
                if (device[static_cast<std::size_t>(i)] == pWrite->GetData()[i])
                    continue;
                const int nFrame = i < BLOCK_HPF_FREQ ? (i - FRAME_PAYLOAD) / 8
                                   : i < BLOCK_OUTPUT ? XOVER_FRAME_INDEX
                                                      : CHANNEL_FRAME_INDEX;
                if (differ.empty() || differ.back() != std::pair{k, nFrame})
                    differ.emplace_back(k, nFrame);
            }
        }
        return differ;
    }

    // The name the device keeps for a slot, without its padding.
    std::string DeviceName(int nSlot)
    {
        const SimName name = m_pSim->WithProcessor([&](CVirtualProcessor& p) { return p.GetName(nSlot); });
        const std::string strName(name.begin(), name.end());
        return strName.substr(0, strName.find_last_not_of(' ') + 1);
    }

    // A machine of its own for port discovery, in m_dir: built-in ports
    // (UARTs that are real by nature) and USB adapters.
    SerialDiscoveryOptions FakeMachine(const std::vector<std::string>& builtIn, const std::vector<std::string>& usb)
    {
        namespace fs = std::filesystem;
        const fs::path sys = m_dir / "sys";
        const fs::path dev = m_dir / "dev";
        const std::string strPnp = "devices/pnp0/00:05";
        fs::create_directories(sys / strPnp);
        fs::create_directories(dev);
        if (!fs::is_symlink(sys / strPnp / "driver"))
            fs::create_directory_symlink("../../../bus/pnp/drivers/serial", sys / strPnp / "driver");
        auto add = [&](const std::string& strName, const std::string& strDevice) {
            fs::create_directories(sys / strDevice);
            fs::create_directories(sys / "class/tty" / strName);
            fs::create_directory_symlink("../../../" + strDevice, sys / "class/tty" / strName / "device");
            std::ofstream(dev / strName).put('\n');
        };
        for (const std::string& strName : builtIn)
            add(strName, strPnp);
        for (std::size_t i = 0; i < usb.size(); ++i) {
            const std::string strHub = "1-" + std::to_string(i + 1);
            add(usb[i], "devices/pci0000:00/usb1/" + strHub + "/" + strHub + ":1.0/" + usb[i]);
        }
        SerialDiscoveryOptions options;
        options.strSysfsRoot = sys.string();
        options.strDevRoot = dev.string();
        return options;
    }

    std::vector<std::string> BoxTexts() const
    {
        std::vector<std::string> texts;
        for (const Box& box : m_boxes)
            texts.push_back(box.strText);
        return texts;
    }

    struct MenuItem {
        std::string strText;
        bool bEnabled;
    };
    // Right-clicks the graph and picks strChoice from the menu; returns the
    // items it offered.
    std::vector<MenuItem> GraphMenu(const std::string& strChoice)
    {
        std::vector<MenuItem> items;
        QTimer::singleShot(0, [&] {
            auto* pMenu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(pMenu, nullptr);
            QAction* pChosen = nullptr;
            for (QAction* pAction : pMenu->actions()) {
                if (pAction->isSeparator())
                    continue;
                items.push_back({pAction->text().toStdString(), pAction->isEnabled()});
                if (pAction->text().toStdString() == strChoice)
                    pChosen = pAction;
            }
            if (pChosen && pChosen->isEnabled()) {
                pMenu->setActiveAction(pChosen);
                QTest::keyClick(pMenu, Qt::Key_Return);
            } else {
                pMenu->close();
            }
        });
        CFStatic* pGraph = Ctl<CFStatic>(IDC_GRAPH);
        const QPoint at(300, 100);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, pGraph->mapToGlobal(at));
        QApplication::sendEvent(pGraph, &event);
        Pump();
        // The popup took the focus; typing goes to the window again.
        QApplication::setActiveWindow(&Dlg());
        return items;
    }

    std::filesystem::path m_oldDir;
    QByteArray m_oldSettings;
    QByteArray m_oldNetPorts;
    std::filesystem::path m_dir;
    std::unique_ptr<CSimPtyServer> m_pSim;
    std::unique_ptr<CVardenDlg> m_pDlg;
    std::vector<Box> m_boxes;
    MessageAnswer m_answer = MessageAnswer::Ok;
    std::string m_strChosen;
    int m_nDialogs = 0;
};
