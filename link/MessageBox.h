// Every message box of the program goes through one function, so the window
// shows it, vardenctl prints it and tests record it.
#pragma once

#include <functional>
#include <string>

enum class MessageIcon { None, Error, Stop, Warning, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel, SaveDiscardCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No, Save, Discard };

using MessageBoxHandler =
    std::function<MessageAnswer(const std::string& strText, MessageIcon icon, MessageButtons buttons)>;

// Returns the button chosen. Without a handler the text goes to stderr and
// the answer is the first button (OK or Yes).
MessageAnswer ShowMessageBox(const std::string& strText, MessageIcon icon = MessageIcon::None,
                             MessageButtons buttons = MessageButtons::Ok);

// Replaces the handler; returns the previous one.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);
