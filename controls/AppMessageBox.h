// The application's one way to show a message box. Every box of the window
// and its controls goes through AppMessageBox, so tests can replace the
// handler with a recorder and nothing modal ever blocks them.
#pragma once

#include <QString>
#include <functional>

class QWidget;

// Buttons and icons, and the answers, with the window's usual values.
inline constexpr int MB_OK = 0x0;
inline constexpr int MB_OKCANCEL = 0x1;
inline constexpr int MB_YESNOCANCEL = 0x3;
inline constexpr int MB_YESNO = 0x4;
inline constexpr int MB_ICONSTOP = 0x10;
inline constexpr int MB_ICONQUESTION = 0x20;
inline constexpr int MB_ICONEXCLAMATION = 0x30;
inline constexpr int MB_ICONINFORMATION = 0x40;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

using MessageBoxHandler = std::function<int(QWidget* pParent, const QString& text, const QString& caption, int nFlags)>;

int AppMessageBox(QWidget* pParent, const QString& text, const QString& caption = QString(), int nFlags = MB_OK);

// Installs a handler (an empty one restores the real dialog) and returns the
// previous one.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);
