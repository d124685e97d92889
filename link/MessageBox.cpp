#include "MessageBox.h"

#include <cstdio>

namespace {
MessageBoxHandler& Handler()
{
    static MessageBoxHandler handler;
    return handler;
}
}  // namespace

void ShowMessageBox(const std::string& strText, MessageIcon icon)
{
    if (Handler()) {
        Handler()(strText, icon);
        return;
    }
    std::fprintf(stderr, "%s\n", strText.c_str());
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler)
{
    MessageBoxHandler old = std::move(Handler());
    Handler() = std::move(handler);
    return old;
}
