#include "DialogParts.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>

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
