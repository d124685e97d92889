// The window as accessibility tools and tooltips present it: every control
// found by a name of its own, with the role, state and value a screen reader
// reads, and faders and switches driven through the accessibility
// interfaces with the same effect as the mouse.
#include "WindowFixture.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleValueInterface>
#include <QMenu>
#include <QRadioButton>
#include <QToolTip>
#include <set>

#include "FStatic.h"
#include "FontStatic.h"
#include "FreqTables.h"
#include "GradientProgressCtrl.h"
#include "WindowPalette.h"

namespace {

QAccessibleInterface* Access(QWidget* pControl)
{
    return QAccessible::queryAccessibleInterface(pControl);
}

// The controls the user acts on, which owe a tooltip.
bool TakesInput(QWidget* pControl)
{
    return qobject_cast<CBitmapSlider*>(pControl) || qobject_cast<CBitButton*>(pControl) ||
           qobject_cast<CxSkinButton*>(pControl) || qobject_cast<QComboBox*>(pControl) ||
           qobject_cast<QLineEdit*>(pControl) || qobject_cast<QRadioButton*>(pControl);
}

}  // namespace

TEST_F(WindowTest, EveryControlHasItsOwnAccessibleNameRoleAndValue)
{
    const QList<QWidget*> controls =
        Dlg().findChildren<QWidget*>(QRegularExpression(QStringLiteral("^ctl\\d+$")), Qt::FindDirectChildrenOnly);
    ASSERT_GT(controls.size(), 200);
    std::set<QString> names;
    for (QWidget* pControl : controls) {
        QAccessibleInterface* pAccess = Access(pControl);
        ASSERT_NE(pAccess, nullptr) << pControl->objectName().toStdString();
        const QString strName = pAccess->text(QAccessible::Name);
        EXPECT_FALSE(strName.isEmpty()) << pControl->objectName().toStdString();
        EXPECT_TRUE(names.insert(strName).second) << "twice: " << strName.toStdString();
        if (TakesInput(pControl)) {
            EXPECT_FALSE(pControl->toolTip().isEmpty()) << strName.toStdString();
        }
        // Nothing on the window is left as an anonymous client area.
        EXPECT_NE(pAccess->role(), QAccessible::Client) << strName.toStdString();
    }

    // A band fader reads as the band's gain in dB, from -20 to +20.
    QAccessibleInterface* pFader = Access(Dlg().GetDlgItem(IDC_BAND_FADER + 17));
    EXPECT_EQ(pFader->text(QAccessible::Name), QStringLiteral("Band 18, 1 kHz: fader"));
    EXPECT_EQ(pFader->role(), QAccessible::Slider);
    ASSERT_NE(pFader->valueInterface(), nullptr);
    Type(IDC_BAND_GAIN + 17, "-4.5");
    EXPECT_DOUBLE_EQ(pFader->valueInterface()->currentValue().toDouble(), -4.5);
    EXPECT_EQ(pFader->text(QAccessible::Value), QStringLiteral("-4.5 dB"));
    EXPECT_DOUBLE_EQ(pFader->valueInterface()->minimumValue().toDouble(), -20.0);
    EXPECT_DOUBLE_EQ(pFader->valueInterface()->maximumValue().toDouble(), 20.0);
    EXPECT_NEAR(pFader->valueInterface()->minimumStepSize().toDouble(), 0.1, 1e-9);
    EXPECT_TRUE(Ctl<QWidget>(IDC_BAND_GAIN + 5)->toolTip().startsWith(QStringLiteral("Band 6, 63 Hz: ")));
    // In Q mode the same fader reads as the band's Q, which falls as the
    // fader rises.
    Click(IDC_EQ_Q_MODE);
    EXPECT_DOUBLE_EQ(pFader->valueInterface()->currentValue().toDouble(), g_dBandwidthQ[Channel(0).GetQ(17)]);
    EXPECT_TRUE(pFader->text(QAccessible::Value).startsWith(QStringLiteral("Q ")));
    EXPECT_DOUBLE_EQ(pFader->valueInterface()->maximumValue().toDouble(), g_dBandwidthQ[0]);
    Click(IDC_EQ_GAIN_MODE);
    // The crossover faders read in Hz over the whole audio band.
    QAccessibleValueInterface* pHpf = Access(Dlg().GetDlgItem(IDC_HPF_FADER))->valueInterface();
    ASSERT_NE(pHpf, nullptr);
    EXPECT_DOUBLE_EQ(pHpf->currentValue().toDouble(), 20.0);
    EXPECT_DOUBLE_EQ(pHpf->maximumValue().toDouble(), 20000.0);
    // A typed 40 Hz reads as 40 Hz, though its place on the scale reads 20.
    Type(IDC_HPF_FIELD, "40");
    EXPECT_DOUBLE_EQ(pHpf->currentValue().toDouble(), 40.0);
    Type(IDC_HPF_FIELD, "20");

    // Switches are check boxes that tell their state; keys push buttons
    // that show latched as pressed.
    QAccessibleInterface* pBypass = Access(Dlg().GetDlgItem(IDC_BAND_BYPASS + 3));
    EXPECT_EQ(pBypass->role(), QAccessible::CheckBox);
    EXPECT_TRUE(pBypass->state().checkable);
    EXPECT_EQ(bool(pBypass->state().checked), Ctl<CBitButton>(IDC_BAND_BYPASS + 3)->GetCheck() != 0);
    QAccessibleInterface* pChannel1 = Access(Dlg().GetDlgItem(IDC_CHANNEL_BUTTON));
    QAccessibleInterface* pChannel2 = Access(Dlg().GetDlgItem(IDC_CHANNEL_BUTTON + 1));
    EXPECT_EQ(pChannel2->role(), QAccessible::Button);
    EXPECT_TRUE(pChannel1->state().pressed);
    EXPECT_FALSE(pChannel2->state().pressed);
    Click(IDC_BASS_LINK);
    EXPECT_TRUE(Access(Dlg().GetDlgItem(IDC_BASS_LINK))->state().checked);
    EXPECT_TRUE(pChannel2->state().disabled);
    Click(IDC_BASS_LINK);

    QAccessibleInterface* pGraph = Access(Dlg().GetDlgItem(IDC_GRAPH));
    EXPECT_EQ(pGraph->role(), QAccessible::Chart);
    EXPECT_EQ(pGraph->text(QAccessible::Value), QStringLiteral("CH1"));
    EXPECT_EQ(Access(Dlg().GetDlgItem(IDC_PROGRESS))->role(), QAccessible::ProgressBar);
    EXPECT_EQ(Access(Dlg().GetDlgItem(IDC_BAND_LABEL))->role(), QAccessible::StaticText);
    QAccessibleInterface* pGate = Access(Dlg().GetDlgItem(IDC_GATE_FIELD + 1));
    EXPECT_EQ(pGate->role(), QAccessible::EditableText);
    EXPECT_EQ(pGate->text(QAccessible::Value), Ctl<QLineEdit>(IDC_GATE_FIELD + 1)->text());

    // Tooltips wear the window's dark look: light text on a dark plate.
    const QPalette tips = QToolTip::palette();
    EXPECT_LT(tips.color(QPalette::ToolTipBase).lightness(), 64);
    EXPECT_GT(tips.color(QPalette::ToolTipText).lightness(), 192);
    EXPECT_EQ(QToolTip::font().family(), Dlg().font().family());
}

TEST_F(WindowTest, AccessibilityToolsDriveFadersAndSwitchesAsTheMouseDoes)
{
    Connect();
    const int nBefore = Accepted(CMD_PARAMETER);
    QAccessibleValueInterface* pFader = Access(Dlg().GetDlgItem(IDC_BAND_FADER + 5))->valueInterface();
    ASSERT_NE(pFader, nullptr);

    // A value set through the interface is an edit like a drag: the field,
    // the band label, the preset and the device all follow.
    pFader->setCurrentValue(-4.5);
    Pump();
    EXPECT_EQ(Channel(0).GetGain(5), 155);
    EXPECT_EQ(Ctl<CBitmapSlider>(IDC_BAND_FADER + 5)->GetInvertedPos(), 155);
    EXPECT_EQ(Ctl<CNumEdit>(IDC_BAND_GAIN + 5)->GetValue(), 155);
    EXPECT_EQ(Ctl<CFontStatic>(IDC_BAND_LABEL + 5)->GetTextColor(), 0x0000FFu);
    ASSERT_TRUE(Drain());
    EXPECT_EQ(Accepted(CMD_PARAMETER), nBefore + 1);
    ExpectDeviceHolds(0, 0);

    // Beyond the scale is its end, as a drag to the top; no number and NaN
    // change nothing.
    pFader->setCurrentValue(99.0);
    Pump();
    EXPECT_EQ(Channel(0).GetGain(5), 400);
    pFader->setCurrentValue(QStringLiteral("loud"));
    pFader->setCurrentValue(std::nan(""));
    Pump();
    EXPECT_EQ(Channel(0).GetGain(5), 400);

    // A crossover lands where a drag to that frequency lands, at the
    // frequency asked, and the window's rule that the high-pass stays below
    // the low-pass holds.
    QAccessibleValueInterface* pLpf = Access(Dlg().GetDlgItem(IDC_LPF_FADER))->valueInterface();
    QAccessibleValueInterface* pHpf = Access(Dlg().GetDlgItem(IDC_HPF_FADER))->valueInterface();
    pLpf->setCurrentValue(1000);
    Pump();
    auto* pLpfFader = Ctl<CBitmapSlider>(IDC_LPF_FADER);
    EXPECT_EQ(pLpfFader->GetPos(), pLpfFader->PosOfFrequency(1000));
    EXPECT_EQ(Channel(0).GetLpfFreq(), 1000);
    EXPECT_EQ(Ctl<CNumEdit>(IDC_LPF_FIELD)->GetValue(), Channel(0).GetLpfFreq());
    EXPECT_DOUBLE_EQ(pLpf->currentValue().toDouble(), Channel(0).GetLpfFreq());
    pHpf->setCurrentValue(5000);
    Pump();
    EXPECT_EQ(Channel(0).GetHpfFreq(), Channel(0).GetLpfFreq());

    // Pressing a switch clicks it: the window decides, the switch follows.
    QAccessibleInterface* pOutput = Access(Dlg().GetDlgItem(IDC_OUTPUT_SWITCH + 1));
    ASSERT_NE(pOutput->actionInterface(), nullptr);
    const bool bOn = Channel(1).GetOutputOn() != 0;
    pOutput->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    Pump();
    EXPECT_NE(Channel(1).GetOutputOn() != 0, bOn);
    EXPECT_EQ(bool(pOutput->state().checked), !bOn);
    ASSERT_TRUE(Drain());
    ExpectDeviceHolds(0, 1);

    // While a transfer holds the window, tools are held back like the mouse;
    // a disabled control takes nothing either.
    Dlg().EnableWindow(false);
    pFader->setCurrentValue(-6.0);
    pOutput->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    Pump();
    Dlg().EnableWindow(true);
    EXPECT_EQ(Channel(0).GetGain(5), 400);
    EXPECT_EQ(Channel(1).GetOutputOn() != 0, !bOn);
    Click(IDC_BASS_LINK);
    Access(Dlg().GetDlgItem(IDC_CHANNEL_BUTTON + 2))
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::pressAction());
    Pump();
    EXPECT_EQ(Dlg().GetCurChannel(), 0);
    Click(IDC_BASS_LINK);

    // A key pressed through its interface acts as clicked: CH3 is edited.
    Access(Dlg().GetDlgItem(IDC_CHANNEL_BUTTON + 2))
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::pressAction());
    Pump();
    EXPECT_EQ(Dlg().GetCurChannel(), 2);
    EXPECT_EQ(Access(Dlg().GetDlgItem(IDC_GRAPH))->text(QAccessible::Value), QStringLiteral("CH3"));
}

TEST_F(WindowTest, AFrequencySetOverTheValueInterfaceReachesTheDeviceAsAsked)
{
    Connect();
    Type(IDC_HPF_FIELD, "20");
    Type(IDC_LPF_FIELD, "20000");
    QAccessibleValueInterface* pHpf = Access(Dlg().GetDlgItem(IDC_HPF_FADER))->valueInterface();
    QAccessibleValueInterface* pLpf = Access(Dlg().GetDlgItem(IDC_LPF_FADER))->valueInterface();
    // Any whole hertz, though the thumb's own places lie further apart.
    EXPECT_DOUBLE_EQ(pHpf->minimumStepSize().toDouble(), 1.0);
    // 40 Hz shares its place on the scale with 20 Hz (the high-pass off),
    // 1000 Hz reads back from its place as 1020 Hz; the high-pass stays below
    // the low-pass, and beyond the scale is its end.
    const struct {
        QAccessibleValueInterface* pFader;
        double dAsked;
        int nHpf, nLpf;
    } asks[] = {{pHpf, 40, 40, 20000},     {pHpf, 80, 80, 20000},    {pHpf, 100, 100, 20000},
                {pHpf, 1000, 1000, 20000}, {pLpf, 2000, 1000, 2000}, {pLpf, 5000, 1000, 5000},
                {pHpf, 9000, 5000, 5000},  {pHpf, 20.4, 20, 5000},   {pLpf, 1e9, 20, 20000}};
    for (const auto& ask : asks) {
        const std::size_t nSteps = Dlg().GetHistory().GetUndoCount();
        ask.pFader->setCurrentValue(ask.dAsked);
        Pump();
        const std::string strWhy = "asked " + std::to_string(ask.dAsked);
        EXPECT_EQ(Channel(0).GetHpfFreq(), ask.nHpf) << strWhy;
        EXPECT_EQ(Channel(0).GetLpfFreq(), ask.nLpf) << strWhy;
        EXPECT_DOUBLE_EQ(pHpf->currentValue().toDouble(), ask.nHpf) << strWhy;
        EXPECT_DOUBLE_EQ(pLpf->currentValue().toDouble(), ask.nLpf) << strWhy;
        EXPECT_EQ(Dlg().GetHistory().GetUndoCount(), nSteps + 1) << strWhy;
        ASSERT_TRUE(Drain());
        ExpectDeviceHolds(0, 0, strWhy);
    }
}

TEST_F(WindowTest, AFieldSetOverAccessibilityReachesItsFaderAndTheDevice)
{
    Connect();
    Type(IDC_BAND_GAIN + 5, "-1.9");
    QAccessibleInterface* pGain = Access(Dlg().GetDlgItem(IDC_BAND_GAIN + 5));
    ASSERT_NE(pGain->editableTextInterface(), nullptr);
    const auto expectGain = [&](int nGain, const char* pszHow) {
        Pump();
        EXPECT_EQ(Channel(0).GetGain(5), nGain) << pszHow;
        EXPECT_EQ(Ctl<CBitmapSlider>(IDC_BAND_FADER + 5)->GetInvertedPos(), nGain) << pszHow;
        EXPECT_EQ(pGain->text(QAccessible::Value), Ctl<QLineEdit>(IDC_BAND_GAIN + 5)->text()) << pszHow;
        ASSERT_TRUE(Drain());
        ExpectDeviceHolds(0, 0, pszHow);
    };
    pGain->editableTextInterface()->replaceText(0, pGain->textInterface()->characterCount(), QStringLiteral("3.0"));
    expectGain(230, "replaced");
    pGain->editableTextInterface()->insertText(0, QStringLiteral("-"));
    expectGain(170, "inserted");
    pGain->setText(QAccessible::Value, QStringLiteral("2.5"));
    expectGain(225, "set as text");
    pGain->valueInterface()->setCurrentValue(-4.5);
    expectGain(155, "set as value");
    EXPECT_DOUBLE_EQ(pGain->valueInterface()->currentValue().toDouble(), -4.5);
    // Too much is refused as typing it is: the end of the scale.
    pGain->editableTextInterface()->replaceText(0, 4, QStringLiteral("25"));
    expectGain(400, "out of range");
    // A field the user cannot type into now takes nothing (Q in gain mode).
    const int nQ = Channel(0).GetQ(5);
    Access(Dlg().GetDlgItem(IDC_BAND_Q + 5))->valueInterface()->setCurrentValue(5.0);
    Pump();
    EXPECT_EQ(Channel(0).GetQ(5), nQ);

    // Whole hertz (40.4 is 40); the low-pass is held at the high-pass.
    QAccessibleValueInterface* pHpf = Access(Dlg().GetDlgItem(IDC_HPF_FIELD))->valueInterface();
    pHpf->setCurrentValue(40.4);
    Pump();
    Access(Dlg().GetDlgItem(IDC_LPF_FIELD))->setText(QAccessible::Value, QStringLiteral("30"));
    Pump();
    EXPECT_EQ(Channel(0).GetLpfFreq(), 40);
    ASSERT_TRUE(Drain());
    ExpectDeviceHolds(0, 0, "crossover");
}

TEST_F(WindowTest, ListsNameTheirItemAndShowItSelected)
{
    const auto expectShown = [&](int nId) {
        auto* pList = Ctl<QComboBox>(nId);
        QAccessibleInterface* pAccess = Access(pList);
        EXPECT_EQ(pAccess->text(QAccessible::Name),
                  pList->accessibleName() + QStringLiteral(": ") + pList->currentText());
        QAccessibleInterface* pItems = pAccess->child(0);
        ASSERT_NE(pItems, nullptr);
        QStringList selected;
        for (int i = 0; i < pItems->childCount(); ++i)
            if (pItems->child(i)->state().selected)
                selected << pItems->child(i)->text(QAccessible::Name);
        EXPECT_EQ(selected, QStringList{pList->currentText()}) << nId;
    };
    const int anLists[] = {IDC_PORT_LIST,  IDC_HPF_TYPE,  IDC_HPF_SLOPE,     IDC_LPF_TYPE,      IDC_LPF_SLOPE,
                           IDC_DELAY_UNIT, IDC_LINK_LIST, IDC_LINK_LIST + 1, IDC_LINK_LIST + 2, IDC_LINK_LIST + 3};
    for (const int nId : anLists)
        expectShown(nId);

    // Chosen with the keyboard alone, through the window's own handlers.
    KeyboardFilter filter(Dlg());
    Ctl<QComboBox>(IDC_HPF_SLOPE)->setFocus();
    Key(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_EQ(Channel(0).GetHpfSlope(), 1);
    expectShown(IDC_HPF_SLOPE);
    Ctl<QComboBox>(IDC_LINK_LIST + 2)->setFocus();
    Key(QApplication::focusWidget(), Qt::Key_Up);
    EXPECT_EQ(g_anLinkGroup[2], 1);
    EXPECT_EQ(Access(Dlg().GetDlgItem(IDC_LINK_LIST + 2))->text(QAccessible::Name), QStringLiteral("CH3 linking: CH2"));
}

TEST_F(WindowTest, SwitchesAndKeysTakeTheFocusAndSpaceOrEnterClicksThem)
{
    Connect();
    KeyboardFilter filter(Dlg());
    // A key: CH2 is edited.
    QWidget* pKey = Dlg().GetDlgItem(IDC_CHANNEL_BUTTON + 1);
    pKey->setFocus(Qt::TabFocusReason);
    Key(pKey, Qt::Key_Space);
    EXPECT_EQ(Dlg().GetCurChannel(), 1);
    Type(IDC_BAND_GAIN + 3, "4");
    const std::function<int()> states[] = {
        [&] { return int(Channel(1).GetGain(3)); },
        [&] { return int(Channel(1).GetOutputOn()); },
        [&] { return int(Channel(2).GetPolarity()); },
        [&] { return int(Channel(1).AreAllBandsBypassed()); },
        [&] { return int(g_bBassLink); },
    };
    const int anIds[] = {IDC_BAND_BYPASS + 3, IDC_OUTPUT_SWITCH + 1, IDC_POLARITY + 2, IDC_EQ_BYPASS_ALL,
                         IDC_BASS_LINK};
    for (std::size_t i = 0; i < std::size(anIds); ++i) {
        QWidget* pSwitch = Dlg().GetDlgItem(anIds[i]);
        EXPECT_TRUE(pSwitch->focusPolicy() & Qt::TabFocus) << anIds[i];
        pSwitch->setFocus(Qt::TabFocusReason);
        const int nBefore = states[i]();
        const std::size_t nSteps = Dlg().GetHistory().GetUndoCount();
        Key(pSwitch, Qt::Key_Space);
        const int nToggled = states[i]();
        EXPECT_NE(nToggled, nBefore) << anIds[i];
        EXPECT_EQ(Dlg().GetHistory().GetUndoCount(), nSteps + 1) << anIds[i];
        ASSERT_TRUE(Drain());
        for (int k = 0; k < NUM_CHANNELS; ++k)
            ExpectDeviceHolds(0, k, std::to_string(anIds[i]));
        // Enter clicks too and the focus stays for the next key; the mouse
        // then does the same again.
        Key(pSwitch, Qt::Key_Return);
        EXPECT_EQ(states[i](), nBefore) << anIds[i];
        EXPECT_EQ(QApplication::focusWidget(), pSwitch);
        Click(anIds[i]);
        EXPECT_EQ(states[i](), nToggled) << anIds[i];
    }
    // The input level pair.
    for (const int nLevel : {0, 1, 0}) {
        QWidget* pSwitch = Dlg().GetDlgItem(nLevel ? IDC_INPUT_HIGH : IDC_INPUT_LOW);
        pSwitch->setFocus(Qt::TabFocusReason);
        Key(pSwitch, nLevel ? Qt::Key_Space : Qt::Key_Return);
        EXPECT_EQ(Channel(0).GetInputLevel(), nLevel);
    }
    ASSERT_TRUE(Drain());
    for (int k = 0; k < NUM_CHANNELS; ++k)
        ExpectDeviceHolds(0, k, "after the keys");
}

TEST_F(WindowTest, DisabledMenuItemsAreDrawnDimmerThanEnabledOnes)
{
    // The window's menus at twice the pixels, as on a high-density screen.
    QMenu menu;
    menu.setPalette(WindowPalette());
    QAction* pEnabled = menu.addAction(QStringLiteral("Redo"));
    QAction* pDisabled = menu.addAction(QStringLiteral("Redo"));
    pDisabled->setEnabled(false);
    menu.resize(menu.sizeHint());
    QImage image(menu.size() * 2, QImage::Format_ARGB32);
    image.setDevicePixelRatio(2);
    menu.render(&image);
    const auto brightest = [&](QAction* pAction) {
        const QRect rc = menu.actionGeometry(pAction);
        int nMax = 0;
        for (int y = rc.top() * 2; y < rc.bottom() * 2; ++y)
            for (int x = rc.left() * 2; x < rc.right() * 2; ++x)
                nMax = std::max(nMax, QColor(image.pixel(x, y)).lightness());
        return nMax;
    };
    EXPECT_LT(brightest(pDisabled) + 64, brightest(pEnabled));
}
