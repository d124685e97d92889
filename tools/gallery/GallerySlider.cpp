// Gallery page "slider": the window's faders in a row of states each (top,
// middle, bottom, focused, dragging, disabled), once with the skin images
// the window uses and once with stand-in images drawn here, so the drawing
// can be checked whatever the skin holds. Extra rows show a see-through
// channel (where the focus rectangle appears) and a horizontal slider.
#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>
#include <functional>

#include "BitmapSlider.h"
#include "Gallery.h"
#include "WindowMessage.h"

namespace {

// Skin ids and geometry the window gives its faders.
constexpr int IDB_BAND_CHANNEL = 158;
constexpr int IDB_FADER_CHANNEL = 160;
constexpr int IDB_FADER_THUMB = 159;
constexpr int BAND_MARGIN_LEFT = 8;
constexpr int FADER_MARGIN_LEFT = 10;

constexpr QRgb KEY_RGB = 0xFFFF00FFu;
constexpr int GAP = 8;

QImage Track(int nWidth, int nHeight, int nSlotX, QColor fill)
{
    QImage image(nWidth, nHeight, QImage::Format_RGB32);
    image.fill(fill);
    QPainter p(&image);
    p.setPen(QColor(90, 90, 90));
    for (int y = 11; y < nHeight - 11; y += 8)
        p.drawLine(1, y, 4, y);
    p.fillRect(nSlotX - 2, 8, 5, nHeight - 16, Qt::black);
    p.setPen(QColor(120, 120, 120));
    p.drawRect(nSlotX - 3, 7, 6, nHeight - 15);
    return image;
}

// A 15x23 thumb on the key colour, lit or not.
QImage ThumbImage(bool bActive)
{
    QImage image(15, 23, QImage::Format_RGB32);
    image.fill(KEY_RGB);
    QPainter p(&image);
    p.setPen(QColor(40, 40, 40));
    p.setBrush(bActive ? QColor(250, 170, 60) : QColor(200, 200, 205));
    p.drawRoundedRect(QRectF(0.5, 0.5, 14, 22), 3, 3);
    p.setPen(bActive ? Qt::white : Qt::black);
    p.drawLine(2, 11, 12, 11);
    return image;
}

QImage HorizontalThumb()
{
    return ThumbImage(false).transformed(QTransform().rotate(90));
}

enum class State { Top, Middle, Bottom, Focused, Dragging, Disabled };
constexpr State STATES[] = {State::Top, State::Middle, State::Bottom, State::Focused, State::Dragging, State::Disabled};

// One row: the same slider in every state, side by side, in a strip whose
// background is the window's.
void SaveRow(CGalleryWriter& writer, const QString& name, const std::function<void(CBitmapSlider&)>& setUp,
             const QSize& size)
{
    QWidget strip;
    strip.setAutoFillBackground(true);
    std::vector<CBitmapSlider*> sliders;
    int x = GAP;
    for (size_t i = 0; i < std::size(STATES); ++i) {
        auto* pSlider = new CBitmapSlider(&strip, int(i));
        pSlider->setGeometry(x, GAP, size.width(), size.height());
        setUp(*pSlider);
        x += pSlider->width() + GAP;
        sliders.push_back(pSlider);
    }
    strip.resize(x, GAP + sliders[0]->height() + GAP);
    strip.show();
    QApplication::processEvents();

    for (size_t i = 0; i < std::size(STATES); ++i) {
        CBitmapSlider& slider = *sliders[i];
        const int nMid = (slider.GetRangeMin() + slider.GetRangeMax()) / 2;
        switch (STATES[i]) {
        case State::Top:
            slider.SetPos(slider.GetRangeMin());
            break;
        case State::Bottom:
            slider.SetPos(slider.GetRangeMax());
            break;
        case State::Dragging: {
            // Held down two thirds along the track, never released.
            slider.SetPos(nMid);
            const QPointF at = slider.IsVertical() ? QPointF(slider.width() / 2.0, slider.height() * 2 / 3.0)
                                                   : QPointF(slider.width() * 2 / 3.0, slider.height() / 2.0);
            QMouseEvent press(QEvent::MouseButtonPress, at, slider.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                              Qt::NoModifier);
            QCoreApplication::sendEvent(&slider, &press);
            break;
        }
        case State::Disabled:
            slider.SetPos(nMid);
            slider.Enable(false);
            break;
        default:
            slider.SetPos(nMid);
            break;
        }
    }
    // Last, so that the dragged one's press does not take the focus from it.
    for (size_t i = 0; i < std::size(STATES); ++i)
        if (STATES[i] == State::Focused)
            SendWindowMessage(sliders[i], WM_SLIDER_TAKEFOCUS, 0, 0);
    QApplication::processEvents();
    writer.Save(name, strip.grab().toImage());
}

void SetUpBand(CBitmapSlider& slider, bool bSkin)
{
    if (bSkin)
        slider.SetBitmapChannel(IDB_BAND_CHANNEL);
    else
        slider.SetBitmapChannel(Track(29, 107, 15, QColor(30, 30, 34)));
    if (bSkin)
        slider.SetBitmapThumb(IDB_FADER_THUMB, 0, true, CBitmapSlider::CLR_KEY_PIXEL, 0, 0);
    else
        slider.SetBitmapThumb(ThumbImage(false), ThumbImage(true), true, CBitmapSlider::CLR_KEY_PIXEL, 0, 0);
    slider.SetMargin(BAND_MARGIN_LEFT, 0, 0, 0);
    slider.SetVertical(true);
    slider.SetRange(0, 400);
}

void SetUpFader(CBitmapSlider& slider, bool bSkin)
{
    if (bSkin)
        slider.SetBitmapChannel(IDB_FADER_CHANNEL);
    else
        slider.SetBitmapChannel(Track(35, 108, 17, QColor(30, 30, 34)));
    if (bSkin)
        slider.SetBitmapThumb(IDB_FADER_THUMB, 0, true, CBitmapSlider::CLR_KEY_PIXEL, 0, 0);
    else
        slider.SetBitmapThumb(ThumbImage(false), ThumbImage(true), true, CBitmapSlider::CLR_KEY_PIXEL, 0, 0);
    slider.SetMargin(FADER_MARGIN_LEFT, 0, 0, 0);
    slider.SetVertical(true);
    slider.SetRange(0, 800);
}

void RenderSliders(CGalleryWriter& writer)
{
    // The window's ids; blank until the skin has these images.
    SaveRow(
        writer, "slider-band-skin", [](CBitmapSlider& s) { SetUpBand(s, true); }, QSize(29, 107));
    SaveRow(
        writer, "slider-fader-skin", [](CBitmapSlider& s) { SetUpFader(s, true); }, QSize(35, 108));
    // Stand-in images, including an active thumb for the dragged one.
    SaveRow(
        writer, "slider-band-drawn", [](CBitmapSlider& s) { SetUpBand(s, false); }, QSize(29, 107));
    SaveRow(
        writer, "slider-fader-drawn", [](CBitmapSlider& s) { SetUpFader(s, false); }, QSize(35, 108));
    // A channel keyed on its corner colour lets the window and the focus
    // rectangle show through.
    SaveRow(
        writer, "slider-see-through",
        [](CBitmapSlider& s) {
            QImage channel = Track(29, 107, 15, QColor::fromRgb(KEY_RGB));
            s.SetBitmapChannel(channel, QImage(), true, CBitmapSlider::CLR_KEY_PIXEL, 0, 0);
            s.SetBitmapThumb(ThumbImage(false), ThumbImage(true), true, CBitmapSlider::CLR_KEY_PIXEL, 0, 0);
            s.SetMargin(BAND_MARGIN_LEFT, 0, 0, 0);
            s.SetVertical(true);
            s.SetRange(0, 100);
        },
        QSize(29, 107));
    // Horizontal, with an active channel filling the track up to the thumb.
    SaveRow(
        writer, "slider-horizontal",
        [](CBitmapSlider& s) {
            const QImage track = Track(29, 107, 15, QColor(30, 30, 34)).transformed(QTransform().rotate(90));
            QImage lit = track;
            QPainter(&lit).fillRect(QRect(9, 13, 89, 5), QColor(60, 200, 90));
            s.SetBitmapChannel(track, lit, false);
            s.SetBitmapThumb(HorizontalThumb(), QImage(), true, CBitmapSlider::CLR_KEY_PIXEL, 0, 0);
            s.SetMargin(0, 7, 0, 0);
            s.SetVertical(false);
            s.SetRange(0, 100);
        },
        QSize(107, 29));
}

}  // namespace

static const bool s_registered = RegisterGalleryPage("slider", RenderSliders);
