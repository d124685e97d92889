#include "AppMessageBox.h"

#include <QMessageBox>

namespace {
MessageBoxHandler& Handler()
{
    static MessageBoxHandler s_handler;
    return s_handler;
}

int ShowDialog(QWidget* pParent, const QString& text, const QString& caption, int nFlags)
{
    QMessageBox box(pParent);
    box.setText(text);
    box.setWindowTitle(caption.isEmpty() ? QStringLiteral("varden") : caption);
    switch (nFlags & 0xF0) {
    case MB_ICONSTOP:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONEXCLAMATION:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB_ICONINFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    switch (nFlags & 0xF) {
    case MB_OKCANCEL:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case MB_YESNOCANCEL:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    case MB_YESNO:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    default:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    case QMessageBox::Cancel:
        return IDCANCEL;
    default:
        return IDOK;
    }
}
}  // namespace

int AppMessageBox(QWidget* pParent, const QString& text, const QString& caption, int nFlags)
{
    if (Handler())
        return Handler()(pParent, text, caption, nFlags);
    return ShowDialog(pParent, text, caption, nFlags);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler)
{
    MessageBoxHandler previous = std::move(Handler());
    Handler() = std::move(handler);
    return previous;
}
