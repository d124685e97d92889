// The fader's range, position and frequency scale, and its geometry; its
// images and painting are in BitmapSliderImages.cpp, mouse, keys and focus
// in BitmapSliderInput.cpp.
#include "BitmapSlider.h"

#include <QAccessible>
#include <algorithm>
#include <climits>
#include <cmath>

namespace {
// Frequency positions 0..FREQ_STEPS cover 20 Hz..20 kHz: each step is the
// hundredth root of 1000 (about 1.0715) times the one before.
constexpr int FREQ_STEPS = 100;
constexpr int FREQ_LOWEST = 20;
constexpr int FREQ_HIGHEST = 20000;
// trunc(base^100) comes out as 999, which would read as 19980 Hz.
constexpr int FREQ_TOP_ROUNDED_DOWN = 19980;
const double s_dFreqBase = std::pow(1000.0, 0.01);
}  // namespace

int CBitmapSlider::ClampToInt(long long n)
{
    return int(std::clamp<long long>(n, INT_MIN, INT_MAX));
}

CBitmapSlider::CBitmapSlider(QWidget* pParent, int nID) : QWidget(pParent), m_nID(nID)
{
    setFocusPolicy(Qt::StrongFocus);
    // Every pixel is painted from the buffer; nothing needs erasing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_rect = rect();
    m_nWidth = width();
    m_nHeight = height();
}

CBitmapSlider::~CBitmapSlider() = default;

// ---- range and position ----------------------------------------------------

int CBitmapSlider::ClampPos(long long nPos) const
{
    nPos = std::min<long long>(nPos, m_nMax);
    nPos = std::max<long long>(nPos, m_nMin);
    return int(nPos);
}

void CBitmapSlider::SetPosClamped(long long nPos)
{
    const int nOld = m_nPos;
    m_nPos = ClampPos(nPos);
    m_nAskedFrequency = 0;
    update();
    // Screen readers say a fader's new value as it moves.
    if (m_nPos != nOld) {
        QAccessibleValueChangeEvent event(this, m_nPos);
        QAccessible::updateAccessibility(&event);
    }
}

void CBitmapSlider::SetRange(int nMin, int nMax, bool bRedraw)
{
    SetRangeMin(nMin, false);
    SetRangeMax(nMax, bRedraw);
}

void CBitmapSlider::SetRangeMin(int nMin, bool bRedraw)
{
    m_nMin = nMin;
    // The position stays inside the range it belongs to.
    m_nPos = ClampPos(m_nPos);
    if (bRedraw)
        update();
}

void CBitmapSlider::SetRangeMax(int nMax, bool bRedraw)
{
    m_nMax = nMax;
    m_nPos = ClampPos(m_nPos);
    if (bRedraw)
        update();
}

void CBitmapSlider::SetPos(int nPos)
{
    SetPosClamped(nPos);
}

void CBitmapSlider::SetInvertedPos(int nPos)
{
    SetPosClamped(static_cast<long long>(m_nMax) - nPos);
}

int CBitmapSlider::GetInvertedPos() const
{
    return ClampToInt(static_cast<long long>(m_nMax) - m_nPos);
}

void CBitmapSlider::MoveThumb(int nPos)
{
    if (!m_bEnable)
        return;
    SetPosClamped(nPos);
    PostToParent(WM_SLIDER_MOVED);
}

void CBitmapSlider::MoveThumbToFrequency(int nFreq)
{
    MoveThumb(PosOfFrequency(nFreq));
    // The report is posted: the window reads this once it arrives.
    if (m_bEnable)
        m_nAskedFrequency = nFreq;
}

int CBitmapSlider::SetPageSize(int nSize)
{
    const int nOld = m_nPage;
    m_nPage = nSize;
    return nOld;
}

// ---- frequency mapping -------------------------------------------------------

void CBitmapSlider::SetFrequency(int nFreq)
{
    SetPosClamped(PosOfFrequency(nFreq));
}

int CBitmapSlider::PosOfFrequency(int nFreq) const
{
    // Nothing lies below the bottom of the scale: zero or negative hertz
    // count as far down as it goes.
    const double dSteps = nFreq > 0 ? std::log(double(nFreq) / FREQ_LOWEST) / std::log(s_dFreqBase) + 0.5 : -1e9;
    const long long nSteps = static_cast<long long>(std::trunc(std::clamp(dSteps, -1e9, 1e9)));
    return ClampPos(m_bFreqReversed ? m_nMax - nSteps : nSteps);
}

int CBitmapSlider::GetFrequency()
{
    long long nSteps = m_bFreqReversed ? static_cast<long long>(m_nMax) - m_nPos : m_nPos;
    // Positions beyond the scale (a range wider than 0..100) read as its ends.
    nSteps = std::clamp<long long>(nSteps, 0, FREQ_STEPS);
    int nFreq = int(std::trunc(std::pow(s_dFreqBase, double(nSteps)))) * FREQ_LOWEST;
    if (nFreq == FREQ_TOP_ROUNDED_DOWN)
        nFreq = FREQ_HIGHEST;
    m_nFrequency = nFreq;
    return nFreq;
}

// ---- geometry and looks --------------------------------------------------

void CBitmapSlider::SetVertical(bool bVertical)
{
    m_bVertical = bVertical;
    update();
}

void CBitmapSlider::SetMargin(int nLeft, int nTop, int nRight, int nBottom)
{
    m_nMarginLeft = nLeft;
    m_nMarginTop = nTop;
    m_nMarginRight = nRight;
    m_nMarginBottom = nBottom;
    update();
}

void CBitmapSlider::SetMarginLeft(int nMargin)
{
    m_nMarginLeft = nMargin;
    update();
}

void CBitmapSlider::SetMarginTop(int nMargin)
{
    m_nMarginTop = nMargin;
    update();
}

void CBitmapSlider::SetMarginRight(int nMargin)
{
    m_nMarginRight = nMargin;
    update();
}

void CBitmapSlider::SetMarginBottom(int nMargin)
{
    m_nMarginBottom = nMargin;
    update();
}

void CBitmapSlider::DrawFocusRect(bool bDraw, bool bRedraw)
{
    m_bDrawFocusRect = bDraw;
    if (bRedraw)
        update();
}

void CBitmapSlider::Enable(bool bEnable)
{
    m_bEnable = bEnable;
    setEnabled(bEnable);
    if (!bEnable)
        EndDrag();
    update();
}

QSize CBitmapSlider::sizeHint() const
{
    return m_bChannel ? QSize(m_nWidth, m_nHeight) : QWidget::sizeHint();
}

// ---- position <-> pixel --------------------------------------------------

// The pixel of the thumb centre along the track. An empty or reversed range
// and a track shorter than the thumb keep the thumb at the track's start.
int CBitmapSlider::Pos2Pixel(int nPos) const
{
    const long long nMargin = m_bVertical ? m_nMarginTop : m_nMarginLeft;
    const long long nFarMargin = m_bVertical ? m_nMarginBottom : m_nMarginRight;
    const long long nThumb = m_bVertical ? m_nThumbHeight : m_nThumbWidth;
    const long long nExtent = m_bVertical ? m_nHeight : m_nWidth;
    const long long nRange = static_cast<long long>(m_nMax) - m_nMin;
    const long long nTrack = std::max<long long>(0, nExtent - nMargin - nFarMargin - nThumb);
    const double dFraction = nRange > 0 ? double(static_cast<long long>(nPos) - m_nMin) / double(nRange) : 0.0;
    return ClampToInt(nMargin + nThumb / 2 + static_cast<long long>(std::trunc(dFraction * double(nTrack))));
}

int CBitmapSlider::Pixel2Pos(int nPixel) const
{
    const long long nMargin = m_bVertical ? m_nMarginTop : m_nMarginLeft;
    const long long nFarMargin = m_bVertical ? m_nMarginBottom : m_nMarginRight;
    const long long nThumb = m_bVertical ? m_nThumbHeight : m_nThumbWidth;
    const long long nExtent = m_bVertical ? m_nHeight : m_nWidth;
    const long long nTrack = nExtent - nFarMargin - nMargin - nThumb;
    if (nTrack <= 0)
        return m_nMin;
    const double dRange = double(static_cast<long long>(m_nMax) - m_nMin);
    const double dPos = m_nMin + double(nPixel - nMargin - nThumb / 2) / double(nTrack) * dRange;
    return ClampToInt(static_cast<long long>(std::trunc(std::clamp(dPos, double(INT_MIN), double(INT_MAX)))));
}
