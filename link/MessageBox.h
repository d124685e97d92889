// Every message box of the program goes through one function, so the window
// shows it, vardenctl prints it and tests record it.
#pragma once

#include <functional>
#include <string>

enum class MessageIcon { None, Error, Stop, Warning, Question };

using MessageBoxHandler = std::function<void(const std::string& strText, MessageIcon icon)>;

void ShowMessageBox(const std::string& strText, MessageIcon icon = MessageIcon::None);

// Replaces the handler; returns the previous one. Without a handler the text
// goes to stderr.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);
