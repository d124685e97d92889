#include "WindowPalette.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFont>
#include <QPalette>
#include <QToolTip>
#include <QWidget>

#include "ControlIds.h"
#include "GradientProgressCtrl.h"
#include "QtColor.h"
#include "SkinPalette.h"

namespace {
// Arial's metric twin draws the window's 8-point text.
constexpr int FONT_PIXELS = 11;
}  // namespace

namespace {
const QColor kField(0x10, 0x11, 0x13);
}  // namespace

QPalette WindowPalette()
{
    QPalette palette;
    const QColor& field = kField;
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Window, SkinPalette::kBodyBottom);
        palette.setColor(group, QPalette::WindowText, SkinPalette::kLegend);
        palette.setColor(group, QPalette::Base, field);
        palette.setColor(group, QPalette::AlternateBase, SkinPalette::kPlate);
        palette.setColor(group, QPalette::Text, SkinPalette::kLegend);
        palette.setColor(group, QPalette::Button, SkinPalette::kKeyBottom);
        palette.setColor(group, QPalette::ButtonText, SkinPalette::kLegend);
        palette.setColor(group, QPalette::Highlight, SkinPalette::kAccent);
        palette.setColor(group, QPalette::HighlightedText, SkinPalette::kKeyOutline);
        palette.setColor(group, QPalette::PlaceholderText, SkinPalette::kLegendDim);
        palette.setColor(group, QPalette::ToolTipBase, SkinPalette::kPlate);
        palette.setColor(group, QPalette::ToolTipText, SkinPalette::kLegend);
    }
    palette.setColor(QPalette::Disabled, QPalette::Window, SkinPalette::kBodyBottom);
    palette.setColor(QPalette::Disabled, QPalette::Base, SkinPalette::kPlate);
    palette.setColor(QPalette::Disabled, QPalette::Button, SkinPalette::kKeyOffBottom);
    palette.setColor(QPalette::Disabled, QPalette::Text, SkinPalette::kLegendDim);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, SkinPalette::kLegendDim);
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, SkinPalette::kLegendDim);
    // The style etches disabled text (menu items, labels) over a copy in
    // the light colour, a relief meant for light looks: on this dark one it
    // drew the unavailable items brighter than the available ones. Disabled
    // text is dimmed only.
    palette.setColor(QPalette::Disabled, QPalette::Light, Qt::transparent);
    return palette;
}

void ApplyWindowPalette(QWidget& window)
{
    const QPalette palette = WindowPalette();
    window.setPalette(palette);
    // A list's drop-down is a window of its own and does not inherit.
    for (QComboBox* pList : window.findChildren<QComboBox*>())
        pList->view()->setPalette(palette);

    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(FONT_PIXELS);
    window.setFont(font);
    // Tooltips are windows of their own and take the toolkit's palette.
    QToolTip::setPalette(palette);
    QToolTip::setFont(font);

    if (auto* pProgress = window.findChild<CGradientProgressCtrl*>(QStringLiteral("ctl%1").arg(IDC_PROGRESS))) {
        pProgress->SetBkColor(ToColorRef(kField));
        pProgress->SetTextColor(ToColorRef(SkinPalette::kLegend));
    }
}
