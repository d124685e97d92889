// The window's keyboard rules, offered every event before the controls see
// it: the arrow keys walk along the band faders, Enter in a band field hands
// the focus to the band's fader, Enter on a switch or key clicks it,
// neither Enter nor Escape closes anything, and Escape stops the changes sent
// before a disconnect. A click anywhere first lets a half-typed field take
// its value.
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include "BitButton.h"
#include "BitmapSlider.h"
#include "ControlIds.h"
#include "NumEdit.h"
#include "VardenDlg.h"
#include "WindowMessage.h"
#include "xSkinButton.h"

namespace {
int ControlId(const QWidget* pWidget)
{
    if (auto* pFader = qobject_cast<const CBitmapSlider*>(pWidget))
        return pFader->GetDlgCtrlID();
    if (auto* pField = qobject_cast<const CNumEdit*>(pWidget))
        return pField->GetDlgCtrlID();
    return 0;
}

// The band of a gain or Q field, or -1.
int BandOfField(int nId)
{
    if (IsBandControl(nId, IDC_BAND_GAIN))
        return nId - IDC_BAND_GAIN;
    if (IsBandControl(nId, IDC_BAND_Q))
        return nId - IDC_BAND_Q;
    return -1;
}
}  // namespace

bool CVardenDlg::PreTranslateMessage(QObject* pReceiver, QEvent* pEvent)
{
    const QEvent::Type type = pEvent->type();
    if (type != QEvent::KeyPress && type != QEvent::MouseButtonPress && type != QEvent::FocusIn)
        return false;
    auto* pTarget = qobject_cast<QWidget*>(pReceiver);
    if (!pTarget || pTarget->window() != this)
        return false;
    if (type == QEvent::FocusIn) {
        // What a name field shows before it is typed into, for Escape.
        if (IsNameField(pTarget))
            m_strNameBeforeTyping = static_cast<QLineEdit*>(pTarget)->text();
        return false;
    }
    QWidget* pFocus = QApplication::focusWidget();

    if (type == QEvent::MouseButtonPress) {
        // As on the original platform, the field loses the focus before the
        // click acts, so its typed value is taken first and never lost.
        if (qobject_cast<CNumEdit*>(pFocus) && pTarget != pFocus && isEnabled())
            setFocus(Qt::MouseFocusReason);
        return false;
    }
    // A key travels up the parents; act once, where it was delivered.
    if (pFocus && pTarget != pFocus)
        return false;

    auto* pKeyEvent = static_cast<QKeyEvent*>(pEvent);
    const int nKey = pKeyEvent->key();
    const Qt::KeyboardModifiers mods =
        pKeyEvent->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    const bool bUndo = nKey == Qt::Key_Z && mods == Qt::ControlModifier;
    const bool bRedo = (nKey == Qt::Key_Z && mods == (Qt::ControlModifier | Qt::ShiftModifier)) ||
                       (nKey == Qt::Key_Y && mods == Qt::ControlModifier);
    if (bUndo || bRedo) {
        // In a text field these keys take back the typing, as in any field.
        if (qobject_cast<QLineEdit*>(pFocus))
            return false;
        if (bUndo)
            Undo();
        else
            Redo();
        return true;
    }
    const int nFocusId = ControlId(pFocus);
    switch (nKey) {
    case Qt::Key_Left:
    case Qt::Key_Right:
        if (IsBandControl(nFocusId, IDC_BAND_FADER)) {
            const int nStep = nKey == Qt::Key_Left ? NUM_BANDS - 1 : 1;
            const int nBand = (nFocusId - IDC_BAND_FADER + nStep) % NUM_BANDS;
            PostWindowMessage(GetDlgItem(IDC_BAND_FADER + nBand), WM_SLIDER_TAKEFOCUS, 0, 0);
        }
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (qobject_cast<CNumEdit*>(pFocus) && BandOfField(nFocusId) >= 0) {
            SendWindowMessage(GetDlgItem(IDC_BAND_FADER + BandOfField(nFocusId)), WM_SLIDER_TAKEFOCUS, 0, 0);
            return true;
        }
        // A focused switch or key is clicked by Enter and keeps the focus
        // for the next key, as a focused button of any dialog does.
        if (qobject_cast<CBitButton*>(pFocus) || qobject_cast<CxSkinButton*>(pFocus))
            return false;
        setFocus(Qt::OtherFocusReason);
        return false;
    case Qt::Key_Escape:
        // Escape stops changes being sent before a disconnect, as a second
        // CONNECT does.
        if (IsWaitingForChanges())
            StopSending();
        // Escape takes nothing: the field shows again what it showed before
        // the typing, then the focus leaves it.
        if (auto* pField = qobject_cast<CNumEdit*>(pFocus))
            pField->Revert();
        else if (IsNameField(pFocus))
            static_cast<QLineEdit*>(pFocus)->setText(m_strNameBeforeTyping);
        setFocus(Qt::OtherFocusReason);
        return false;
    case Qt::Key_F1:
        OnAbout();
        return true;
    default:
        return false;
    }
}
