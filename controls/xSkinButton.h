// A command button drawn from skin images (normal, down, over, disabled,
// focus) instead of the toolkit's look, optionally shaped by a mask image.
// It can latch like a check box or clear its group like a radio button, and
// reports clicks, and Space or Enter while it has the focus, to its parent as
// WM_COMMAND_EVENT (id, BN_CLICKED).
#pragma once

#include <QColor>
#include <QImage>
#include <QRegion>
#include <QString>
#include <QWidget>
#include <cstdint>

// Posted to the other radio buttons of a group when one is checked.
inline constexpr int WM_SKIN_RADIOCLEAR = 0x410;
// Force the hover look off and on (nothing in the program sends these).
inline constexpr int WM_SKIN_HOVEROFF = 0x4C8;
inline constexpr int WM_SKIN_HOVERON = 0x4C9;

// Button style bits of a dialog template, for SetTemplateStyle.
inline constexpr unsigned BS_PUSHBUTTON = 0x0;
inline constexpr unsigned BS_AUTORADIOBUTTON = 0x9;
inline constexpr unsigned BS_OWNERDRAW = 0xB;

class CxSkinButton : public QWidget {
    Q_OBJECT

public:
    // What the button does when clicked and checked.
    static constexpr int STYLE_PUSH = 0;
    static constexpr int STYLE_CHECKBOX = 2;
    static constexpr int STYLE_RADIO = 4;
    // How an image covers the button.
    static constexpr int DRAW_NORMAL = 0;   // copied at the top-left corner
    static constexpr int DRAW_STRETCH = 1;  // stretched to the button
    static constexpr int DRAW_TILE = 2;     // repeated from the top-left corner

    explicit CxSkinButton(QWidget* pParent = nullptr, int nID = 0);

    void SetDlgCtrlID(int nID) { m_nID = nID; }
    int GetDlgCtrlID() const { return m_nID; }

    // The button style from the dialog template's style bits: both low bits
    // set make a check box (the owner-drawn buttons of the window have them),
    // the auto-radio bits a radio button, anything else a push button.
    void SetTemplateStyle(unsigned nStyle);
    int GetButtonStyle() const { return m_nStyle; }

    // Radio buttons clear the other buttons with the same parent and the
    // same non-zero group number; group 0 (the default) is no group.
    void SetRadioGroup(int nGroup) { m_nGroup = nGroup; }
    int GetRadioGroup() const { return m_nGroup; }

    // Image ids (0 = none; the disabled image falls back to the normal one),
    // draw mode (DRAW_*; out-of-range values clamp), border flag and focus
    // rectangle margin (negative becomes 0). A mask id shapes the button to
    // the mask's non-white pixels.
    void SetSkin(int nNormal, int nDown, int nOver, int nDisabled, int nFocus, int nMask,
                 short nDrawMode = DRAW_STRETCH, short nBorder = 0, short nMargin = 0);

    // Check state, as the window's set-check call: a push button stays
    // unchecked; a radio button being checked clears the rest of its group.
    void SetCheck(int nCheck);
    int GetCheck() const { return m_bChecked ? 1 : 0; }

    // Colour as 0x00BBGGRR; returns the previous one.
    std::uint32_t SetTextColor(std::uint32_t clrText);
    void SetToolTipText(const QString& strText);
    // Only once a tooltip text exists.
    void SetToolTipColor(std::uint32_t clrText, std::uint32_t clrBack);
    // The caption (none of the window's buttons has one: it is in the images).
    void SetWindowText(const QString& strText);

    // The id of the image a paint would draw now, 0 for the plain face.
    int CurrentImageId() const;
    bool IsHovering() const { return m_bHovering; }
    bool IsButtonDown() const { return m_bButtonDown; }
    bool IsPushed() const { return m_bPushed; }
    short GetDrawMode() const { return m_nDrawMode; }
    const QRegion& GetRegion() const { return m_region; }

signals:
    void clicked(int nID);

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    enum class Look { Face, Normal, Down, Over, Disabled, Focus };
    Look CurrentLook() const;
    bool IsOver(const QPoint& point) const;
    void DrawImage(QPainter& painter, const QImage& image) const;
    void DrawImageOnto(QPainter& painter, const QImage& image, const QRect& rc) const;
    void SetHovering(bool bHovering);
    void EndPress();
    // Tells the parent, as a click with the mouse does.
    void Click();
    void ClearRadioGroup();

    int m_nID = 0;
    int m_nGroup = 0;

    bool m_bChecked = false;
    int m_nStyle = STYLE_PUSH;
    bool m_bHovering = false;
    bool m_bButtonDown = false;  // pressed here and not yet released
    bool m_bPushed = false;      // while down: the pointer is over the button
    bool m_bFocusFrame = false;  // the focus came from the keyboard

    int m_nNormalID = 0;
    int m_nDownID = 0;
    int m_nDisabledID = 0;
    int m_nMaskID = 0;
    int m_nOverID = 0;
    int m_nFocusID = 0;
    QImage m_bNormal;
    QImage m_bDown;
    QImage m_bDisabled;
    QImage m_bMask;
    QImage m_bOver;
    QImage m_bFocus;
    short m_nFocusRectMargin = 0;
    std::uint32_t m_clrText;
    QRegion m_region;
    short m_nBorder = 0;
    short m_nDrawMode = DRAW_STRETCH;

    QString m_strCaption;
    QColor m_clrToolTipText;
    QColor m_clrToolTipBack;
};
