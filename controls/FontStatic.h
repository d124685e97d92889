// A text label with its own background colour, text colour and Arial font:
// the band frequency labels of the equaliser, one of which is drawn red to
// mark the band last touched.
#pragma once

#include <QWidget>
#include <cstdint>
#include <string>

#include "ColorRef.h"

// Sent to the parent in the command message when the label is clicked.
inline constexpr int STN_CLICKED = 0;

class CFontStatic : public QWidget {
    Q_OBJECT
public:
    // Colours are 0x00BBGGRR values, as everywhere in the window.
    using COLORREF = ::COLORREF;

    // Style flags of SetStyleFlags and Configure.
    static constexpr unsigned FS_NORMAL = 0x01;  // clears bold
    static constexpr unsigned FS_ITALIC = 0x02;
    static constexpr unsigned FS_UNDERLINED = 0x04;
    static constexpr unsigned FS_STRIKETHROUGH = 0x08;
    static constexpr unsigned FS_RAISED = 0x10;
    static constexpr unsigned FS_CENTER = 0x20;
    static constexpr unsigned FS_RIGHT = 0x80;

    enum class Alignment { Left, Center, Right };

    static constexpr COLORREF DEFAULT_BACK_COLOR = 0xB9B6B4;
    static constexpr int DEFAULT_FONT_HEIGHT = 18;
    static constexpr int DEFAULT_FONT_WEIGHT = 400;

    explicit CFontStatic(QWidget* pParent = nullptr, int nId = 0);

    int GetDlgCtrlID() const { return m_nId; }
    void SetDlgCtrlID(int nId) { m_nId = nId; }

    // Height in logical units as the platform takes it: positive is the
    // character cell, negative the character itself. Weight 400 normal, 700 bold.
    void SetTextSize(int nHeight, int nWeight);
    void SetTextColor(COLORREF crText);
    void SetText(const std::string& strText);
    void SetBackColor(COLORREF crBack);
    void SetStyleFlags(unsigned dwFlags);
    void Configure(const std::string& strText, int nHeight, COLORREF crText, unsigned dwFlags);

    const std::string& GetText() const { return m_strText; }
    COLORREF GetTextColor() const { return m_crTextColor; }
    COLORREF GetBackColor() const { return m_crBackColor; }
    bool GetUseBackColor() const { return m_bUseBackColor; }
    int GetFontHeight() const { return m_nFontHeight; }
    int GetFontWeight() const { return m_nFontWeight; }
    bool IsBold() const { return m_bBold; }
    bool IsItalic() const { return m_bItalic; }
    bool IsUnderlined() const { return m_bUnderline; }
    bool IsStrikeOut() const { return m_bStrikeOut; }
    bool IsRaised() const { return m_bRaised; }
    Alignment GetAlignment() const { return m_alignment; }

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;

    // Makes the label's font from its height and weight; false when no font
    // can be made (no font families at all on this machine).
    virtual bool CreateTextFont(QFont& font) const;

private:
    static void FitTextFont(QFont& font, const QString& strText, int nRoom);
    void RedrawNow();

    int m_nId;
    bool m_bBold = true;
    bool m_bItalic = false;
    bool m_bUnderline = false;
    bool m_bStrikeOut = false;
    bool m_bRaised = false;
    bool m_bUseBackColor = true;
    Alignment m_alignment = Alignment::Center;
    std::string m_strText;
    COLORREF m_crTextColor = 0;
    COLORREF m_crBackColor = DEFAULT_BACK_COLOR;
    int m_nFontHeight = DEFAULT_FONT_HEIGHT;
    int m_nFontWeight = DEFAULT_FONT_WEIGHT;
    // The font box is shown once per label, not on every paint: a box raised
    // from painting would otherwise come back with each repaint.
    bool m_bFontFailureShown = false;
};
