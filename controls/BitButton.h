// A toggle button drawn from one skin image per check state (unchecked,
// checked) and mouse state (normal, hover, pressed), stretched to the
// button. The owner sets the check; a click, or Space or Enter while it has
// the focus, only tells the parent, as WM_COMMAND_EVENT (id, BN_CLICKED).
#pragma once

#include <QBasicTimer>
#include <QFont>
#include <QImage>
#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>

class CBitButton : public QWidget {
    Q_OBJECT

public:
    // Window timer of the blink mode and its period.
    static constexpr int ID_TIMER_BLINK = 6;
    static constexpr int BLINK_TIMER_MS = 200;
    // Mouse states, each with its image, text colour and font.
    enum { STATE_NORMAL = 0, STATE_HOVER = 1, STATE_PRESSED = 2, STATE_COUNT = 3 };
    // Caption alignment.
    enum { ALIGN_LEFT = 0, ALIGN_CENTER = 1, ALIGN_RIGHT = 2 };

    explicit CBitButton(QWidget* pParent = nullptr, int nID = 0);

    void SetDlgCtrlID(int nID) { m_nID = nID; }
    int GetDlgCtrlID() const { return m_nID; }

    // Skin ids for unchecked normal, hover, pressed, then checked normal,
    // hover, pressed; a checked id of 0 takes the unchecked one.
    void SetBitmaps(int nNormal, int nHover, int nPressed, int nCheckedNormal, int nCheckedHover, int nCheckedPressed);
    // The owner's check; shown at once.
    void SetCheck(int nCheck);
    int GetCheck() const { return m_nCheck; }

    // Caption options (none of the window's buttons has a caption: it is in
    // the images). Colours are 0x00BBGGRR.
    void SetWindowText(const QString& strText);
    void SetTextColors(std::uint32_t clrNormal, std::uint32_t clrHover, std::uint32_t clrPressed,
                       std::uint32_t clrCheckedNormal, std::uint32_t clrCheckedHover, std::uint32_t clrCheckedPressed);
    void SetFonts(const QFont& normal, const QFont& hover, const QFont& pressed, const QFont& checkedNormal,
                  const QFont& checkedHover, const QFont& checkedPressed);
    void SetTextAlign(int nAlign) { m_nTextAlign = nAlign; }
    void SetLowerText(bool bLower) { m_bLowerText = bLower; }
    void SetTextOffset(int nOffset) { m_nTextOffset = nOffset; }
    void SetUseHandCursor(bool bUse);

    // Blink mode: images for checked (and the on phase), unchecked and the
    // off phase. Setting them switches the button to blink mode.
    void SetBlinkBitmaps(int nChecked, int nUnchecked, int nOff);
    void SetBlinkTextColor(std::uint32_t clrText);
    // Starts or stops the alternation (timer 6).
    void EnableBlink(bool bEnable);
    bool IsBlinking() const { return m_bBlink; }
    // One period of timer 6: the Qt timer id behind it, -1 when stopped.
    int GetBlinkTimerId() const { return m_timer.isActive() ? m_timer.timerId() : -1; }

    // The skin id a paint would draw now (0: the plain face) and the mouse
    // state it was picked for.
    int CurrentImageId() const;
    int CurrentState() const;
    bool IsHovering() const { return m_bHovering; }
    bool IsPressed() const { return m_bPressed; }

signals:
    void clicked(int nID);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void changeEvent(QEvent* e) override;
    void timerEvent(QTimerEvent* e) override;

private:
    // Tells the parent, as a click with the mouse does.
    void Click();

    using Ids = std::array<int, STATE_COUNT>;
    using Colors = std::array<std::uint32_t, STATE_COUNT>;
    using Fonts = std::array<QFont, STATE_COUNT>;

    int m_nID = 0;

    Ids m_anBitmap{};
    Colors m_aclrText{};
    Fonts m_aFont;
    int m_nCheck = 0;
    Ids m_anCheckedBitmap{};
    Colors m_aclrCheckedText{};
    Fonts m_aCheckedFont;
    int m_nBlinkChecked = 0;  // also the on phase
    int m_nBlinkUnchecked = 0;
    int m_nBlinkOff = 0;
    std::uint32_t m_clrBlinkText = 0;
    bool m_bBlinkTextColor = false;
    bool m_bHovering = false;
    bool m_bPressed = false;
    int m_nTextAlign = ALIGN_CENTER;
    bool m_bLowerText = false;
    bool m_bUseHandCursor = true;
    int m_nTextOffset = 0;
    bool m_bBlink = false;
    bool m_bBlinkPhase = false;
    bool m_bBlinkMode = false;
    bool m_bFontsSet = false;
    bool m_bFocusFrame = false;  // the focus came from the keyboard

    QString m_strCaption;
    QBasicTimer m_timer;  // timer 6, running only while blinking
};
