#include "DialogParts.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include "PlotMapping.h"

QHBoxLayout* MakeHzRangeRow(QWidget* pParent, QSpinBox*& pLow, QSpinBox*& pHigh)
{
    pLow = new QSpinBox(pParent);
    pHigh = new QSpinBox(pParent);
    for (QSpinBox* pBox : {pLow, pHigh}) {
        pBox->setRange(static_cast<int>(FREQ_MIN_HZ), static_cast<int>(FREQ_MAX_HZ));
        pBox->setSuffix(QStringLiteral(" Hz"));
        pBox->setAccelerated(true);
    }
    auto* pRow = new QHBoxLayout;
    pRow->addWidget(pLow);
    pRow->addWidget(new QLabel(QStringLiteral("to"), pParent));
    pRow->addWidget(pHigh);
    return pRow;
}

QLabel* MakeFiguresLabel(QWidget* pParent, int nMinWidth)
{
    auto* pFigures = new QLabel(pParent);
    pFigures->setWordWrap(true);
    pFigures->setMinimumWidth(nMinWidth);
    pFigures->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return pFigures;
}

QDialogButtonBox* MakeApplyButtons(QDialog& dialog, QPushButton*& pApply)
{
    auto* pButtons = new QDialogButtonBox(&dialog);
    pApply = pButtons->addButton(QStringLiteral("Apply"), QDialogButtonBox::AcceptRole);
    pButtons->addButton(QDialogButtonBox::Cancel);
    QObject::connect(pButtons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(pButtons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return pButtons;
}
