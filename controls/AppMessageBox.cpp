#include "AppMessageBox.h"

#include <QMessageBox>
#include <QPointer>

#include "MessageBox.h"

namespace {
QMessageBox::Icon IconOf(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Error:
    case MessageIcon::Stop:
        return QMessageBox::Critical;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Question:
        return QMessageBox::Question;
    default:
        return QMessageBox::NoIcon;
    }
}

QMessageBox::StandardButtons ButtonsOf(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MessageButtons::SaveDiscardCancel:
        return QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel;
    default:
        return QMessageBox::Ok;
    }
}
}  // namespace

void InstallQtMessageBox(QWidget* pOwner)
{
    QPointer<QWidget> owner(pOwner);
    SetMessageBoxHandler([owner](const std::string& strText, MessageIcon icon, MessageButtons buttons) {
        QMessageBox box(owner.data());
        box.setWindowTitle(QStringLiteral("varden"));
        // The program's texts are ASCII; the names of files and ports in
        // them are the file system's, UTF-8.
        box.setText(QString::fromUtf8(strText.c_str()));
        box.setIcon(IconOf(icon));
        box.setStandardButtons(ButtonsOf(buttons));
        switch (box.exec()) {
        case QMessageBox::Cancel:
            return MessageAnswer::Cancel;
        case QMessageBox::Yes:
            return MessageAnswer::Yes;
        case QMessageBox::No:
            return MessageAnswer::No;
        case QMessageBox::Save:
            return MessageAnswer::Save;
        case QMessageBox::Discard:
            return MessageAnswer::Discard;
        default:
            return MessageAnswer::Ok;
        }
    });
}
