// The transfer progress bar, painted as a colour gradient from red to blue.
// The link moves it through the progress interface while a preset travels.
#pragma once

#include <QWidget>
#include <cstdint>

#include "ColorRef.h"
#include "ProgressTarget.h"

class CGradientProgressCtrl : public QWidget, public CProgressTarget {
    Q_OBJECT
public:
    // Colours are 0x00BBGGRR values, as everywhere in the window.
    using COLORREF = ::COLORREF;

    static constexpr COLORREF DEFAULT_START_COLOR = 0x0000FF;  // red
    static constexpr COLORREF DEFAULT_END_COLOR = 0xFF0000;    // blue
    static constexpr COLORREF DEFAULT_TEXT_COLOR = 0xFFFFFF;

    explicit CGradientProgressCtrl(QWidget* pParent = nullptr, int nId = 0);

    int GetDlgCtrlID() const { return m_nId; }

    // The position goes to the lower bound.
    void SetRange(int nLower, int nUpper) override;
    // A position above the upper bound is held at it.
    void SetPos(int nPos) override;
    int GetPos() const override { return m_nCurrentPosition; }
    void GetRange(int& nLower, int& nUpper) const;
    void SetStep(int nStep);
    int GetStep() const { return m_nStep; }
    // Adds the step, held at the upper bound like SetPos.
    void StepIt();

    // Words over the bar, drawn in place of the percentage.
    void SetText(const std::string& strText) override;
    const QString& GetText() const { return m_strText; }

    void SetStartColor(COLORREF cr);
    void SetEndColor(COLORREF cr);
    void SetBkColor(COLORREF cr);
    void SetTextColor(COLORREF cr);
    void ShowPercent(bool bShow);
    // The bar grows from the bottom up instead of from the left.
    void SetVertical(bool bVertical);
    COLORREF GetStartColor() const { return m_clrStart; }
    COLORREF GetEndColor() const { return m_clrEnd; }
    COLORREF GetBkColor() const { return m_clrBkGround; }
    COLORREF GetTextColor() const { return m_clrText; }
    bool IsShowPercent() const { return m_bShowPercent; }
    bool IsVertical() const { return m_bVertical; }

    // How far the bar is filled along an extent of nExtent pixels (0 when it
    // shows the plain face); never more than nExtent.
    int FilledLength(int nExtent) const;
    // Draws the bar for a client area of the given size; paintEvent uses it.
    void DrawBar(QPainter& painter, const QSize& size) const;

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    void DrawGradient(QPainter& painter, const QSize& size, int nFilled) const;
    void DrawPercent(QPainter& painter, const QSize& size) const;
    void DrawWords(QPainter& painter, const QSize& size, const QString& strText) const;

    int m_nId;
    int m_nLower = 0;
    int m_nUpper = 100;
    int m_nStep = 10;
    int m_nCurrentPosition = 0;
    COLORREF m_clrStart = DEFAULT_START_COLOR;
    COLORREF m_clrEnd = DEFAULT_END_COLOR;
    COLORREF m_clrBkGround;
    COLORREF m_clrText = DEFAULT_TEXT_COLOR;
    bool m_bShowPercent = false;
    bool m_bVertical = false;
    QString m_strText;
};
