// The window's numeric field: a line edit holding one value in the preset's
// encoding and showing it in user units (CNumEditFormat has the rules). It
// takes typed text when it loses the focus, steps the value with the wheel
// and the up and down arrows, and tells its parent each time the value may
// have changed with WM_COMMAND_EVENT (its id, code 0), sent at once.
#pragma once

#include <QLineEdit>
#include <cstdint>

#include "NumEditFormat.h"

class CNumEdit : public QLineEdit {
    Q_OBJECT

public:
    // Wheel movement that makes one step: one notch of a mouse wheel.
    static constexpr int WHEEL_DELTA = 120;

    explicit CNumEdit(QWidget* pParent = nullptr, int nId = 0);

    void SetDlgCtrlID(int nId) { m_nId = nId; }
    int GetDlgCtrlID() const { return m_nId; }

    // Stores the mode and shows the value in it.
    void SetMode(int nMode);
    int GetMode() const { return m_format.GetMode(); }
    void SetRange(int nMin, int nMax) { m_format.SetRange(nMin, nMax); }
    void SetStep(double dStep) { m_format.SetStep(dStep); }
    void SetOffset(double dOffset) { m_format.SetOffset(dOffset); }
    const CNumEditFormat& Format() const { return m_format; }

    // Values outside the range are ignored.
    void SetValue(int nValue);
    // Reads typed text first, without correcting it (see CNumEditFormat).
    int GetValue();
    // The value held, without reading typed text.
    int GetStoredValue() const { return m_nValue; }
    bool IsModified() const { return m_bModified; }
    // Takes the text as if the user had typed it and left the field: it is
    // read, corrected and reported as a commit is.
    void EnterText(const QString& strText);
    // Where the character at nOffset is drawn, in the field's coordinates;
    // empty past the end of the text.
    QRect CharacterRect(int nOffset) const;

    // Shows the stored value in the mode's units.
    virtual void Redisplay();
    // Forgets what was typed and shows the stored value again (Escape).
    void Revert();

protected:
    void focusOutEvent(QFocusEvent* pEvent) override;
    void wheelEvent(QWheelEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;

private:
    void Commit();
    void Step(int nDelta);
    void NotifyParent();
    void ShowOutOfRange();

    CNumEditFormat m_format;
    int m_nId;
    int m_nValue = 0;
    bool m_bModified = false;
    std::int16_t m_nWheelAcc = 0;
    // Set while our own message box is up: the focus it takes is not the
    // user leaving the field, and it comes back when the box closes.
    bool m_bInMessageBox = false;
};
