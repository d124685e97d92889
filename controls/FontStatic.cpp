#include "FontStatic.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "MessageBox.h"
#include "QtColor.h"
#include "WindowMessage.h"

namespace {
const char* const FONT_FACE = "Arial";
const char* const FONT_FAILURE_TEXT = "Font could not be created!";
// Beyond this a "font height" is a mistake, not a label: keep glyphs bounded.
constexpr int MAX_FONT_PIXELS = 1024;
constexpr int MIN_FONT_WEIGHT = 1;
constexpr int MAX_FONT_WEIGHT = 1000;
// How far a long text may be narrowed to fit its label before it is made
// smaller instead, and how small it may get.
constexpr int MIN_STRETCH = 95;
constexpr int MIN_FONT_PIXELS = 6;
// Pixels kept free at each side of a narrowed text.
constexpr int TEXT_AIR = 2;

}  // namespace

CFontStatic::CFontStatic(QWidget* pParent, int nId) : QWidget(pParent), m_nId(nId)
{
    // The fill covers every pixel.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CFontStatic::RedrawNow()
{
    update();
    if (isVisible())
        repaint();
}

void CFontStatic::SetTextSize(int nHeight, int nWeight)
{
    m_nFontHeight = nHeight;
    m_nFontWeight = nWeight;
    RedrawNow();
}

void CFontStatic::SetTextColor(COLORREF crText)
{
    m_crTextColor = crText;
    RedrawNow();
}

void CFontStatic::SetText(const std::string& strText)
{
    m_strText = strText;
    RedrawNow();
}

void CFontStatic::SetBackColor(COLORREF crBack)
{
    m_crBackColor = crBack;
    m_bUseBackColor = true;
    update();
}

void CFontStatic::SetStyleFlags(unsigned dwFlags)
{
    if (dwFlags & FS_NORMAL)
        m_bBold = false;
    if (dwFlags & FS_ITALIC)
        m_bItalic = true;
    if (dwFlags & FS_UNDERLINED)
        m_bUnderline = true;
    if (dwFlags & FS_STRIKETHROUGH)
        m_bStrikeOut = true;
    if (dwFlags & FS_RAISED)
        m_bRaised = true;
    if (dwFlags & FS_CENTER)
        m_alignment = Alignment::Center;
    else if (dwFlags & FS_RIGHT)
        m_alignment = Alignment::Right;
    else
        m_alignment = Alignment::Left;
}

void CFontStatic::Configure(const std::string& strText, int nHeight, COLORREF crText, unsigned dwFlags)
{
    m_strText = strText;
    m_nFontHeight = nHeight;
    m_crTextColor = crText;
    SetStyleFlags(dwFlags);
    RedrawNow();
}

bool CFontStatic::CreateTextFont(QFont& font) const
{
    if (QFontDatabase::families().isEmpty())
        return false;
    font = QFont(QString::fromLatin1(FONT_FACE));
    font.setStyleHint(QFont::SansSerif);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    // Weight 0 is the platform's "don't care", which draws normal.
    const int nWeight = m_nFontWeight == 0 ? DEFAULT_FONT_WEIGHT : m_nFontWeight;
    font.setWeight(static_cast<QFont::Weight>(std::clamp(nWeight, MIN_FONT_WEIGHT, MAX_FONT_WEIGHT)));

    const int nHeight =
        std::min(std::abs(static_cast<long long>(m_nFontHeight)), static_cast<long long>(MAX_FONT_PIXELS));
    if (nHeight == 0)
        return true;  // the default size
    font.setPixelSize(static_cast<int>(nHeight));
    if (m_nFontHeight > 0) {
        // A positive height is the whole character cell; Qt sizes the em.
        const int nCell = QFontMetrics(font).height();
        if (nCell > 0)
            font.setPixelSize(std::max(1, static_cast<int>(std::lround(double(nHeight) * nHeight / nCell))));
    }
    return true;
}

void CFontStatic::FitTextFont(QFont& font, const QString& strText, int nRoom)
{
    // A text wider than the label is drawn a little narrower, then smaller
    // as a whole, never cut at both ends: glyphs squeezed further than that
    // ("1.25k", "3.15k" and "12.5k" in a band's label) no longer read.
    const int nAdvance = QFontMetrics(font).horizontalAdvance(strText);
    if (nAdvance <= nRoom || nAdvance <= 0)
        return;
    font.setStretch(std::max(MIN_STRETCH, 100 * nRoom / nAdvance));
    int nPixels = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
    while (nPixels > MIN_FONT_PIXELS && QFontMetrics(font).horizontalAdvance(strText) > nRoom)
        font.setPixelSize(--nPixels);
}

void CFontStatic::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_bUseBackColor ? ToQColor(m_crBackColor) : palette().color(QPalette::Button));

    QFont font;
    if (!CreateTextFont(font)) {
        if (!m_bFontFailureShown) {
            m_bFontFailureShown = true;
            // Not from inside the paint: a modal box runs its own event loop.
            QMetaObject::invokeMethod(
                this, [] { ShowMessageBox(FONT_FAILURE_TEXT); }, Qt::QueuedConnection);
        }
        return;
    }
    const QString strText = QString::fromLatin1(m_strText.c_str(), static_cast<qsizetype>(m_strText.size()));
    FitTextFont(font, strText, std::max(1, width() - 2 * TEXT_AIR));
    painter.setFont(font);
    painter.setPen(ToQColor(m_crTextColor));
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine | Qt::TextDontClip, strText);
}

void CFontStatic::mouseReleaseEvent(QMouseEvent* pEvent)
{
    // The label notifies its parent of clicks, as a static with the notify style.
    if (pEvent->button() == Qt::LeftButton && rect().contains(pEvent->position().toPoint()))
        SendWindowMessage(parentWidget(), WM_COMMAND_EVENT, MakeWParam(m_nId, STN_CLICKED), 0);
    QWidget::mouseReleaseEvent(pEvent);
}
