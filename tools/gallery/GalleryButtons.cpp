// Gallery page "buttons": every skinned button of the window with the skin
// images it is given there, one row per button and one column per state:
// command buttons normal, hovered, down (latched) and disabled; toggle
// buttons unchecked and checked, each normal, hovered and pressed.
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QWidget>
#include <vector>

#include "BitButton.h"
#include "Gallery.h"
#include "SkinImages.h"
#include "SkinLayout.h"
#include "WindowMessage.h"
#include "xSkinButton.h"

namespace {

constexpr int GAP = 8;
constexpr int LABEL_WIDTH = 70;
constexpr int ID_SEARCH = 1198;  // the one plain push button

struct SkinButtonRow {
    int nID;
    int nNormal, nDown, nOver, nDisabled;
};
// Disabled 0: the normal image stands in.
const SkinButtonRow s_skinButtons[] = {
    {1282, 240, 238, 239, 0},   {1283, 243, 241, 242, 0},   {1198, 216, 214, 215, 0},   {1155, 171, 172, 170, 0},
    {1104, 177, 175, 176, 0},   {1182, 180, 178, 179, 0},   {1183, 186, 182, 184, 0},   {1184, 185, 181, 183, 0},
    {2090, 225, 221, 229, 260}, {2091, 226, 222, 230, 261}, {2092, 227, 223, 231, 262}, {2093, 228, 224, 232, 259},
    {1189, 205, 199, 202, 0},   {1192, 205, 199, 202, 0},   {1195, 205, 199, 202, 0},   {1190, 206, 200, 203, 0},
    {1193, 206, 200, 203, 0},   {1191, 207, 201, 204, 0},   {1194, 207, 201, 204, 0},   {1248, 233, 234, 235, 0},
};

struct BitButtonRow {
    int nID;
    int anIds[6];  // unchecked normal, hover, pressed; checked normal, hover, pressed
};
const BitButtonRow s_bitButtons[] = {
    {1312, {264, 264, 264, 263, 263, 263}}, {1343, {266, 266, 266, 267, 267, 267}},
    {1344, {268, 268, 268, 265, 265, 265}}, {1307, {258, 257, 256, 255, 254, 253}},
    {1302, {249, 249, 249, 250, 250, 250}}, {1303, {251, 251, 251, 252, 252, 252}},
    {2120, {247, 247, 247, 246, 246, 246}},
};

// The size the window gives the control; a control the layout does not
// place (it is never shown) takes its image's size, or a stand-in.
QSize ControlSize(int nID, int nImageID)
{
    const QRect rc = SkinControlRect(nID);
    if (!rc.isNull())
        return DialogUnitsToPixels(rc).size();
    const QImage image = LoadSkinImage(nImageID);
    return image.isNull() ? QSize(48, 20) : image.size();
}

void SendMouse(QWidget* pWidget, QEvent::Type type, Qt::MouseButtons buttons)
{
    const QPointF point(pWidget->width() / 2, pWidget->height() / 2);
    QMouseEvent e(type, point, pWidget->mapToGlobal(point), Qt::LeftButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(pWidget, &e);
}

QWidget* MakeStrip()
{
    auto* pStrip = new QWidget;
    pStrip->setAutoFillBackground(true);
    QPalette pal = pStrip->palette();
    pal.setColor(QPalette::Window, QColor(40, 42, 46));
    pal.setColor(QPalette::WindowText, QColor(220, 220, 220));
    pStrip->setPalette(pal);
    return pStrip;
}

void AddCaptions(QWidget* pStrip, const QStringList& captions, int nColumnWidth)
{
    int x = GAP + LABEL_WIDTH;
    for (const QString& caption : captions) {
        auto* pLabel = new QLabel(caption, pStrip);
        pLabel->setGeometry(x, GAP, nColumnWidth, 16);
        x += nColumnWidth + GAP;
    }
}

void RenderSkinButtons(CGalleryWriter& writer)
{
    int nColumn = 0;
    for (const SkinButtonRow& row : s_skinButtons)
        nColumn = std::max(nColumn, ControlSize(row.nID, row.nNormal).width());
    nColumn = std::max(nColumn, 60);

    std::unique_ptr<QWidget> pStrip(MakeStrip());
    AddCaptions(pStrip.get(), {"normal", "over", "down", "disabled"}, nColumn);
    int y = GAP + 20;
    std::vector<std::pair<CxSkinButton*, int>> buttons;
    for (const SkinButtonRow& row : s_skinButtons) {
        const QSize size = ControlSize(row.nID, row.nNormal);
        auto* pLabel = new QLabel(QString::number(row.nID), pStrip.get());
        pLabel->setGeometry(GAP, y, LABEL_WIDTH, size.height());
        for (int nState = 0; nState < 4; ++nState) {
            auto* pButton = new CxSkinButton(pStrip.get(), row.nID);
            pButton->setGeometry(GAP + LABEL_WIDTH + nState * (nColumn + GAP), y, size.width(), size.height());
            pButton->SetTemplateStyle(row.nID == ID_SEARCH ? BS_PUSHBUTTON : BS_OWNERDRAW);
            pButton->SetSkin(row.nNormal, row.nDown, row.nOver, row.nDisabled, 0, 0, 0, 0, 0);
            buttons.emplace_back(pButton, nState);
        }
        y += size.height() + GAP;
    }
    pStrip->resize(GAP + LABEL_WIDTH + 4 * (nColumn + GAP), y);
    pStrip->show();
    QApplication::processEvents();
    for (auto [pButton, nState] : buttons) {
        switch (nState) {
        case 1:
            SendWindowMessage(pButton, WM_SKIN_HOVERON, 0, 0);
            break;
        case 2:
            // Latched as the window does; the push button is held instead.
            if (pButton->GetButtonStyle() == CxSkinButton::STYLE_PUSH)
                SendMouse(pButton, QEvent::MouseButtonPress, Qt::LeftButton);
            else
                pButton->SetCheck(1);
            break;
        case 3:
            pButton->setEnabled(false);
            break;
        default:
            break;
        }
    }
    writer.SaveWidget("buttons-skin", *pStrip);
}

void RenderBitButtons(CGalleryWriter& writer)
{
    int nColumn = 0;
    for (const BitButtonRow& row : s_bitButtons)
        nColumn = std::max(nColumn, ControlSize(row.nID, row.anIds[0]).width());
    nColumn = std::max(nColumn, 56);

    std::unique_ptr<QWidget> pStrip(MakeStrip());
    AddCaptions(pStrip.get(), {"off", "off hover", "off pressed", "on", "on hover", "on pressed"}, nColumn);
    int y = GAP + 20;
    std::vector<std::pair<CBitButton*, int>> buttons;
    for (const BitButtonRow& row : s_bitButtons) {
        const QSize size = ControlSize(row.nID, row.anIds[0]);
        auto* pLabel = new QLabel(QString::number(row.nID), pStrip.get());
        pLabel->setGeometry(GAP, y, LABEL_WIDTH, size.height());
        for (int nState = 0; nState < 6; ++nState) {
            auto* pButton = new CBitButton(pStrip.get(), row.nID);
            pButton->setGeometry(GAP + LABEL_WIDTH + nState * (nColumn + GAP), y, size.width(), size.height());
            const int* p = row.anIds;
            pButton->SetBitmaps(p[0], p[1], p[2], p[3], p[4], p[5]);
            pButton->SetCheck(nState >= 3 ? 1 : 0);
            buttons.emplace_back(pButton, nState % 3);
        }
        y += size.height() + GAP;
    }
    pStrip->resize(GAP + LABEL_WIDTH + 6 * (nColumn + GAP), y);
    pStrip->show();
    QApplication::processEvents();
    for (auto [pButton, nMouse] : buttons) {
        if (nMouse >= CBitButton::STATE_HOVER)
            SendMouse(pButton, QEvent::MouseMove, Qt::NoButton);
        if (nMouse == CBitButton::STATE_PRESSED)
            SendMouse(pButton, QEvent::MouseButtonPress, Qt::LeftButton);
    }
    writer.SaveWidget("buttons-toggle", *pStrip);
}

void RenderButtons(CGalleryWriter& writer)
{
    RenderSkinButtons(writer);
    RenderBitButtons(writer);
}

const bool s_registered = RegisterGalleryPage("buttons", RenderButtons);

}  // namespace
