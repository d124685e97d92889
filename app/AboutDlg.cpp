#include "AboutDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "SkinImages.h"

namespace {
constexpr int ICON_SIZE = 48;
}  // namespace

CAboutDlg::CAboutDlg(QWidget* pParent) : QDialog(pParent)
{
    setWindowTitle(QStringLiteral("About VARDEN"));
    auto* pIcon = new QLabel(this);
    pIcon->setPixmap(QPixmap::fromImage(DrawProgramIcon(ICON_SIZE)));
    auto* pText = new QLabel(QString::fromLatin1(VERSION_TEXT), this);
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* pRow = new QHBoxLayout;
    pRow->addWidget(pIcon);
    pRow->addSpacing(12);
    pRow->addWidget(pText, 1);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pRow);
    pLayout->addWidget(pButtons);
    setFixedSize(sizeHint());
}
