// A fader drawn entirely from skin images: a channel (the track) and a thumb
// drawn over it with one colour left out. It keeps an integer position in a
// range, follows the mouse and the navigation keys, and tells its parent
// about changes by posting WM_SLIDER_MOVING and WM_SLIDER_MOVED.
#pragma once

#include <QBasicTimer>
#include <QImage>
#include <QWidget>
#include <cstdint>
#include <functional>

#include "FaderScale.h"

class CMemDC;

// Posted to the parent with (control id, position).
inline constexpr int WM_SLIDER_MOVING = 0x28D1;  // focus gained; a drag moved the thumb
inline constexpr int WM_SLIDER_MOVED = 0x28D2;   // button released; navigation key
// Received: take the keyboard focus (both parameters ignored).
inline constexpr int WM_SLIDER_TAKEFOCUS = 0x4C9;

class CBitmapSlider : public QWidget {
    Q_OBJECT

public:
    // Colour value standing for "the colour of the image's key pixel".
    static constexpr std::uint32_t CLR_KEY_PIXEL = 0xFF000000u;
    // Window timer that reports drags, and its period.
    static constexpr int ID_TIMER_SLIDER = 5;
    static constexpr int SLIDER_TIMER_MS = 200;

    explicit CBitmapSlider(QWidget* pParent = nullptr, int nID = 0);
    ~CBitmapSlider() override;

    void SetDlgCtrlID(int nID) { m_nID = nID; }
    int GetDlgCtrlID() const { return m_nID; }

    // Range and position; every position is kept within the range, checked
    // against the maximum first and then the minimum.
    void SetRange(int nMin, int nMax, bool bRedraw = false);
    void SetRangeMin(int nMin, bool bRedraw = false);
    void SetRangeMax(int nMax, bool bRedraw = false);
    int GetRangeMin() const { return m_nMin; }
    int GetRangeMax() const { return m_nMax; }
    void SetPos(int nPos);
    int GetPos() const { return m_nPos; }
    // Values counted from the maximum down, so that the top of a vertical
    // fader stands for the largest value.
    void SetInvertedPos(int nPos);
    int GetInvertedPos() const;
    // Returns the previous page.
    int SetPageSize(int nSize);
    int GetPageSize() const { return m_nPage; }
    // Moves the thumb as a navigation key does and reports it the same way
    // (WM_SLIDER_MOVED); nothing while disabled. Accessibility tools set a
    // fader through it.
    void MoveThumb(int nPos);
    // The same to where nFreq lies on the frequency scale, keeping nFreq as
    // what the thumb stands for until it moves again: the scale is coarse
    // (40 Hz lies where 20 Hz does), and a frequency asked for by number
    // must arrive as that number.
    void MoveThumbToFrequency(int nFreq);
    // The frequency MoveThumbToFrequency asked for while the thumb has not
    // moved since; 0 otherwise.
    int GetAskedFrequency() const { return m_nAskedFrequency; }
    // What the position stands for in the window; asked each time, as the
    // window's modes change it.
    void SetScaleSource(std::function<CFaderScale()> fnScale) { m_fnScale = std::move(fnScale); }
    CFaderScale GetScale() const { return m_fnScale ? m_fnScale() : CFaderScale{}; }

    // Frequency mapping: positions 0..100 cover 20 Hz..20 kHz on a log scale.
    void SetFreqReversed(bool bReversed) { m_bFreqReversed = bReversed; }
    void SetFrequency(int nFreq);
    int GetFrequency();
    // The position SetFrequency(nFreq) would give.
    int PosOfFrequency(int nFreq) const;

    void SetVertical(bool bVertical = true);
    bool IsVertical() const { return m_bVertical; }
    void SetMargin(int nLeft, int nTop, int nRight, int nBottom);
    void SetMarginLeft(int nMargin);
    void SetMarginTop(int nMargin);
    void SetMarginRight(int nMargin);
    void SetMarginBottom(int nMargin);
    void DrawFocusRect(bool bDraw = true, bool bRedraw = false);
    // Disabling ends a drag in progress and hides the thumb.
    void Enable(bool bEnable = true);

    // Images by skin id (0 unloads). The colour is 0x00BBGGRR, or
    // CLR_KEY_PIXEL for the colour of the image's pixel at (x, y). False when
    // an image cannot be loaded; the control is then without that image.
    bool SetBitmapChannel(int nChannelID, int nActiveID = 0, bool bTransparent = false,
                          std::uint32_t clrTransColor = CLR_KEY_PIXEL, int nTransPixelX = 0, int nTransPixelY = 0);
    bool SetBitmapThumb(int nThumbID, int nActiveID = 0, bool bTransparent = false,
                        std::uint32_t clrTransColor = CLR_KEY_PIXEL, int nTransPixelX = 0, int nTransPixelY = 0);
    // The same with images at hand; a null image counts as one that failed to
    // load, a null active image as none.
    bool SetBitmapChannel(const QImage& channel, const QImage& active = QImage(), bool bTransparent = false,
                          std::uint32_t clrTransColor = CLR_KEY_PIXEL, int nTransPixelX = 0, int nTransPixelY = 0);
    bool SetBitmapThumb(const QImage& thumb, const QImage& active = QImage(), bool bTransparent = false,
                        std::uint32_t clrTransColor = CLR_KEY_PIXEL, int nTransPixelX = 0, int nTransPixelY = 0);

    // State seen from outside, for the window and for tests.
    bool IsDragging() const { return m_bDragging; }
    bool HasFocusFlag() const { return m_bFocus; }
    int GetThumbPixel() const { return Pos2Pixel(m_nPos); }
    const QImage& GetThumbImage() const { return m_bmThumb; }
    const QImage& GetThumbMask() const { return m_bmThumbMask; }
    // The Qt timer id behind timer 5, -1 while no drag runs.
    int GetDragTimerId() const { return m_timer.isActive() ? m_timer.timerId() : -1; }

    QSize sizeHint() const override;

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    static int ClampToInt(long long n);
    void SetPosClamped(long long nPos);
    int ClampPos(long long nPos) const;
    int Pos2Pixel(int nPos) const;
    int Pixel2Pos(int nPixel) const;
    void OnMouseMove(const QPoint& point);
    void OnTimer(int nIDEvent);
    void EndDrag();
    void PostToParent(int nMsg);
    void UnloadChannel();
    void UnloadThumb();
    void DrawChannel(CMemDC& dc);
    void DrawThumb(CMemDC& dc);

    int m_nID = 0;

    int m_nFrequency = 0;
    int m_nAskedFrequency = 0;
    bool m_bFreqReversed = false;
    int m_nMax = 120;
    int m_nMin = 0;
    int m_nPos = 0;
    int m_nPage = 20;
    QRect m_rect;
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nThumbWidth = 0;
    int m_nThumbHeight = 0;
    int m_nMarginLeft = 0;
    int m_nMarginRight = 0;
    int m_nMarginTop = 0;
    int m_nMarginBottom = 0;
    int m_nThumbBgX = -1;
    int m_nThumbBgY = -1;
    int m_nClickOffset = 0;
    bool m_bMoved = false;
    bool m_bVertical = false;
    bool m_bChannelActive = false;
    bool m_bThumbActive = false;
    bool m_bTransparentChannel = false;
    bool m_bTransparentThumb = false;
    bool m_bThumb = false;
    bool m_bChannel = false;
    bool m_bDragging = false;
    bool m_bFocus = false;
    bool m_bDrawFocusRect = true;
    bool m_bEnable = true;

    // Masks are one-bit images, 1 where the image had the transparent colour
    // (those pixels of the image itself are made black).
    QImage m_bmChannel;
    QImage m_bmChannelMask;
    QImage m_bmChannelActive;
    QImage m_bmChannelActiveMask;
    QImage m_bmThumb;
    QImage m_bmThumbMask;
    QImage m_bmThumbActive;
    QImage m_bmThumbActiveMask;
    QImage m_bmThumbBg;  // what lay under the thumb when it was last drawn

    QBasicTimer m_timer;  // timer 5, running only during a drag
    std::function<CFaderScale()> m_fnScale;
};
