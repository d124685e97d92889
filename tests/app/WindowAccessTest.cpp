// The window as accessibility tools and tooltips present it: every control
// found by a name of its own, with the role, state and value a screen reader
// reads, and faders and switches driven through the accessibility
// interfaces with the same effect as the mouse.
#include "WindowFixture.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleValueInterface>
#include <QRadioButton>
#include <QToolTip>
#include <set>

#include "FStatic.h"
#include "FontStatic.h"
#include "FreqTables.h"
#include "GradientProgressCtrl.h"

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

    // A crossover lands where a drag to that frequency lands, and the
    // window's rule that the high-pass stays below the low-pass holds.
    QAccessibleValueInterface* pLpf = Access(Dlg().GetDlgItem(IDC_LPF_FADER))->valueInterface();
    QAccessibleValueInterface* pHpf = Access(Dlg().GetDlgItem(IDC_HPF_FADER))->valueInterface();
    pLpf->setCurrentValue(1000);
    Pump();
    auto* pLpfFader = Ctl<CBitmapSlider>(IDC_LPF_FADER);
    EXPECT_EQ(pLpfFader->GetPos(), pLpfFader->PosOfFrequency(1000));
    EXPECT_EQ(Channel(0).GetLpfFreq(), pLpfFader->GetFrequency());
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
