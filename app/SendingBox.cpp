#include "SendingBox.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "NetAddress.h"
#include "VardenDlg.h"
#include "WindowPalette.h"

CSendingBox::CSendingBox(QWidget* pParent) : QDialog(pParent), m_pText(new QLabel(this))
{
    setObjectName(QStringLiteral("sendingBox"));
    setWindowTitle(QString::fromLatin1(CVardenDlg::CAPTION));
    setWindowModality(Qt::WindowModal);
    ApplyWindowPalette(*this);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pText);
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    pLayout->addWidget(pButtons);
    // Closing the box by its frame stops as Cancel does.
    connect(pButtons, &QDialogButtonBox::rejected, this, &CSendingBox::Stop);
    connect(this, &QDialog::rejected, this, &CSendingBox::Stop);
}

void CSendingBox::SetCount(int nChanges)
{
    m_pText->setText(QStringLiteral("Sending %1 %2 to the device before closing…")
                         .arg(nChanges)
                         .arg(nChanges == 1 ? QStringLiteral("change") : QStringLiteral("changes")));
}

void CSendingBox::SetConnecting(const std::string& strPort)
{
    setObjectName(QStringLiteral("connectingBox"));
    m_pText->setText(QStringLiteral("Connecting to %1…\nCancel or Escape stops.")
                         .arg(QString::fromStdString(NetAddressText(strPort))));
}
