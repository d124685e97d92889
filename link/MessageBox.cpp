#include "MessageBox.h"

#include <cstdio>

namespace {
MessageBoxHandler& Handler()
{
    static MessageBoxHandler handler;
    return handler;
}
}  // namespace

MessageAnswer ShowMessageBox(const std::string& strText, MessageIcon icon, MessageButtons buttons)
{
    if (Handler())
        return Handler()(strText, icon, buttons);
    std::fprintf(stderr, "%s\n", strText.c_str());
    switch (buttons) {
    case MessageButtons::Ok:
    case MessageButtons::OkCancel:
        return MessageAnswer::Ok;
    case MessageButtons::SaveDiscardCancel:
        return MessageAnswer::Save;
    default:
        return MessageAnswer::Yes;
    }
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler)
{
    MessageBoxHandler old = std::move(Handler());
    Handler() = std::move(handler);
    return old;
}
