// Gallery page "numedit": a numeric field in each of its modes with a typical
// value, at the size the window gives it, beside a caption naming the mode;
// then a disabled field, and a focused one in the middle of an edit.
#include <QApplication>
#include <QFont>
#include <QGridLayout>
#include <QLabel>
#include <QWidget>

#include "Gallery.h"
#include "NumEdit.h"
#include "SkinLayout.h"

namespace {

struct FieldSample {
    const char* szCaption;
    int nId;
    int nMode;
    int nMin;
    int nMax;
    double dStep;
    double dOffset;
    int nValue;
};

// Ids, ranges and steps as the window configures its fields.
constexpr FieldSample SAMPLES[] = {
    {"band gain, mode 3: 260 (+6 dB)", 1005, NUMEDIT_CENTRED, 0, 400, 0.1, 0, 260},
    {"band gain, mode 3: 0 (-20 dB)", 1000, NUMEDIT_CENTRED, 0, 400, 0.1, 0, 0},
    {"band Q, mode 11: index 24", 2055, NUMEDIT_Q, 0, 59, 0, 0, 24},
    {"band Q, mode 11: index 0", 2050, NUMEDIT_Q, 0, 59, 0, 0, 0},
    {"HPF frequency, mode 4: 80 Hz", 1067, NUMEDIT_INTEGER, 20, 20000, 0, 0, 80},
    {"LPF frequency, mode 4: 20000 Hz", 1072, NUMEDIT_INTEGER, 20, 20000, 0, 0, 20000},
    {"channel gain, mode 10: 600 (0 dB)", 1082, NUMEDIT_SCALED, 0, 800, 0.1, 60, 600},
    {"delay, mode 0 (MS): 240", 1077, NUMEDIT_DELAY_MS, 0, 960, 0, 0, 240},
    {"delay, mode 0 (MS): 960", 1077, NUMEDIT_DELAY_MS, 0, 960, 0, 0, 960},
    {"delay, mode 1 (CM): 959", 1077, NUMEDIT_DELAY_CM, 0, 960, 0, 0, 959},
    {"delay, mode 2 (INCH): 960", 1077, NUMEDIT_DELAY_INCH, 0, 960, 0, 0, 960},
    {"noise gate, mode 13: 10", 2110, NUMEDIT_SCALED_WHOLE, 10, 40, 1.0, 120, 10},
};

CNumEdit* AddField(QGridLayout& grid, QWidget& panel, const FieldSample& s)
{
    const int nRow = grid.rowCount();
    grid.addWidget(new QLabel(QString::fromLatin1(s.szCaption), &panel), nRow, 0);
    auto* pEdit = new CNumEdit(&panel, s.nId);
    pEdit->SetRange(s.nMin, s.nMax);
    pEdit->SetStep(s.dStep);
    pEdit->SetOffset(s.dOffset);
    pEdit->SetMode(s.nMode);
    pEdit->SetValue(s.nValue);
    const QRect rc = DialogUnitsToPixels(SkinControlRect(s.nId));
    if (!rc.isNull())
        pEdit->setFixedSize(rc.size());
    grid.addWidget(pEdit, nRow, 1, Qt::AlignLeft);
    return pEdit;
}

void RenderNumEdit(CGalleryWriter& writer)
{
    QWidget panel;
    panel.setFont(QFont(QStringLiteral("Arial"), 8));
    auto* pGrid = new QGridLayout(&panel);
    for (const FieldSample& s : SAMPLES)
        AddField(*pGrid, panel, s);
    CNumEdit* pDisabled = AddField(*pGrid, panel, {"band Q, disabled (gain mode)", 2060, NUMEDIT_Q, 0, 59, 0, 0, 30});
    pDisabled->setEnabled(false);
    panel.show();
    QApplication::processEvents();
    if (QWidget* pFocus = QApplication::focusWidget())
        pFocus->clearFocus();  // the focused look has its own picture
    writer.SaveWidget(QStringLiteral("numedit-fields"), panel);

    // A field with the focus, the user half way through typing a gain.
    QWidget focusPanel;
    focusPanel.setFont(QFont(QStringLiteral("Arial"), 8));
    auto* pFocusGrid = new QGridLayout(&focusPanel);
    AddField(*pFocusGrid, focusPanel, SAMPLES[0]);
    CNumEdit* pFocused =
        AddField(*pFocusGrid, focusPanel, {"band gain, focused, typing", 1006, NUMEDIT_CENTRED, 0, 400, 0.1, 0, 200});
    AddField(*pFocusGrid, focusPanel, SAMPLES[2]);
    focusPanel.show();
    QApplication::setActiveWindow(&focusPanel);
    pFocused->setFocus(Qt::TabFocusReason);
    pFocused->setText(QStringLiteral("-3.5"));
    writer.SaveWidget(QStringLiteral("numedit-focused"), focusPanel);
}

const bool s_registered = RegisterGalleryPage("numedit", RenderNumEdit);
}  // namespace
