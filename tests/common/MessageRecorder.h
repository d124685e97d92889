// A parent widget for control tests that records every window message its
// children post or send to it, and every message box shown meanwhile.
#pragma once

#include <QCoreApplication>
#include <QWidget>
#include <vector>

#include "MessageBox.h"
#include "WindowMessage.h"

struct RecordedMessage {
    int nMsg;
    WPARAM wParam;
    LPARAM lParam;
};

class CMessageRecorder : public QWidget {
public:
    CMessageRecorder()
    {
        m_previousBox = SetMessageBoxHandler([this](const std::string& text, MessageIcon, MessageButtons) {
            m_boxes.push_back(text);
            return MessageAnswer::Ok;
        });
    }
    ~CMessageRecorder() override { SetMessageBoxHandler(m_previousBox); }

    // Delivers what has been posted so far.
    void Pump() { QCoreApplication::sendPostedEvents(); }

    std::vector<RecordedMessage> Of(int nMsg) const
    {
        std::vector<RecordedMessage> found;
        for (const RecordedMessage& m : m_messages)
            if (m.nMsg == nMsg)
                found.push_back(m);
        return found;
    }

    std::vector<RecordedMessage> m_messages;
    std::vector<std::string> m_boxes;

protected:
    bool event(QEvent* e) override
    {
        if (auto* msg = dynamic_cast<CWindowMessageEvent*>(e)) {
            m_messages.push_back({msg->Message(), msg->wParam(), msg->lParam()});
            return true;
        }
        return QWidget::event(e);
    }

private:
    MessageBoxHandler m_previousBox;
};
