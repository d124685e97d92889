#include <gtest/gtest.h>

#include <QFocusEvent>
#include <QKeyEvent>
#include <QWheelEvent>
#include <climits>

#include "MessageRecorder.h"
#include "NumEdit.h"

namespace {

constexpr int ID_GAIN5 = 1005;
constexpr int ID_Q5 = 2055;
constexpr int ID_DELAY = 1077;
constexpr int ID_HPF = 1067;

class NumEditTest : public ::testing::Test {
protected:
    CNumEdit* AddField(int nId, int nMode, int nMin, int nMax, double dStep = 0.0, double dOffset = 0.0)
    {
        auto* pEdit = new CNumEdit(&m_parent, nId);  // owned by the parent
        pEdit->SetRange(nMin, nMax);
        pEdit->SetStep(dStep);
        pEdit->SetOffset(dOffset);
        pEdit->SetMode(nMode);
        return pEdit;
    }

    // Types over the whole text, as a user selecting it and typing would.
    static void Type(CNumEdit& edit, const QString& text)
    {
        edit.selectAll();
        for (QChar ch : text) {
            QKeyEvent press(QEvent::KeyPress, ch.toUpper().unicode(), Qt::NoModifier, QString(ch));
            QCoreApplication::sendEvent(&edit, &press);
        }
    }

    static void LoseFocus(CNumEdit& edit, Qt::FocusReason reason = Qt::TabFocusReason)
    {
        QFocusEvent out(QEvent::FocusOut, reason);
        QCoreApplication::sendEvent(&edit, &out);
    }

    static void Wheel(CNumEdit& edit, int nDelta)
    {
        QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, nDelta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&edit, &wheel);
    }

    static bool Key(CNumEdit& edit, int nKey)
    {
        QKeyEvent press(QEvent::KeyPress, nKey, Qt::NoModifier);
        QCoreApplication::sendEvent(&edit, &press);
        return press.isAccepted();
    }

    size_t Notifications(int nId) const
    {
        size_t n = 0;
        for (const RecordedMessage& m : m_parent.Of(WM_COMMAND_EVENT)) {
            EXPECT_EQ(m.wParam, MakeWParam(nId, 0));
            EXPECT_EQ(m.lParam, 0);
            ++n;
        }
        return n;
    }

    CMessageRecorder m_parent;
};

}  // namespace

TEST_F(NumEditTest, TypedGainIsCommittedOnLosingTheFocusWithTheRangeBox)
{
    CNumEdit& gain = *AddField(ID_GAIN5, NUMEDIT_CENTRED, 0, 400, 0.1);
    gain.SetValue(200);
    EXPECT_EQ(gain.text(), "0.0");

    // Leaving the field without typing changes and reports nothing.
    LoseFocus(gain);
    EXPECT_TRUE(m_parent.m_messages.empty());

    Type(gain, "25");
    EXPECT_TRUE(gain.IsModified());
    EXPECT_EQ(gain.text(), "25");
    LoseFocus(gain);
    ASSERT_EQ(m_parent.m_boxes.size(), 1u);
    EXPECT_EQ(m_parent.m_boxes[0], "Out of Range");
    EXPECT_EQ(gain.text(), "20.0");
    EXPECT_EQ(Notifications(ID_GAIN5), 1u);
    // The parent's read takes the redisplayed text once more and ends the edit.
    EXPECT_TRUE(gain.IsModified());
    EXPECT_EQ(gain.GetValue(), 400);
    EXPECT_FALSE(gain.IsModified());

    Type(gain, "-0.3");
    LoseFocus(gain);
    EXPECT_EQ(gain.GetValue(), 197);
    EXPECT_EQ(gain.text(), "-0.3");
    EXPECT_EQ(m_parent.m_boxes.size(), 1u);

    // A context menu opening does not commit.
    Type(gain, "3");
    LoseFocus(gain, Qt::PopupFocusReason);
    EXPECT_EQ(gain.text(), "3");
    EXPECT_EQ(Notifications(ID_GAIN5), 2u);

    gain.SetValue(401);               // outside the range: ignored
    EXPECT_EQ(gain.GetValue(), 230);  // what was typed, read silently
    gain.SetValue(-1);
    EXPECT_EQ(gain.GetValue(), 230);
}

TEST_F(NumEditTest, QDelayAndFrequencyFieldsCommitInTheirUnits)
{
    CNumEdit& q = *AddField(ID_Q5, NUMEDIT_Q, 0, 59);
    Type(q, "5");
    LoseFocus(q);
    EXPECT_EQ(q.text(), "4.97");
    EXPECT_EQ(q.GetValue(), 24);
    Type(q, "30");
    LoseFocus(q);
    EXPECT_EQ(q.text(), "28.9");
    EXPECT_EQ(q.GetValue(), 0);
    EXPECT_EQ(m_parent.m_boxes.size(), 1u);

    CNumEdit& delay = *AddField(ID_DELAY, NUMEDIT_DELAY_MS, 0, 960);
    Type(delay, "0.03");
    LoseFocus(delay);
    EXPECT_EQ(delay.text(), "0.021MS");
    EXPECT_EQ(delay.GetValue(), 1);
    Type(delay, "-1");
    LoseFocus(delay);
    EXPECT_EQ(m_parent.m_boxes.size(), 2u);
    EXPECT_EQ(delay.GetValue(), 0);
    // A new unit shows the same delay.
    delay.SetValue(480);
    delay.SetMode(NUMEDIT_DELAY_INCH);
    EXPECT_EQ(delay.text(), "136.2INCH");
    EXPECT_EQ(delay.cursorPosition(), 0);  // a narrow field shows the digits first
    delay.SetMode(NUMEDIT_DELAY_CM);
    EXPECT_EQ(delay.text(), "346.0CM");
    EXPECT_EQ(delay.GetValue(), 480);
    Type(delay, "800");
    LoseFocus(delay);
    EXPECT_FALSE(delay.IsModified());  // the distance units end the edit themselves
    EXPECT_EQ(delay.text(), "692.0CM");
    EXPECT_EQ(delay.GetValue(), 960);
    EXPECT_EQ(m_parent.m_boxes.size(), 2u);

    CNumEdit& hpf = *AddField(ID_HPF, NUMEDIT_INTEGER, 20, 20000);
    hpf.SetValue(1000);
    m_parent.m_messages.clear();
    Type(hpf, "OFF");
    LoseFocus(hpf);
    EXPECT_EQ(hpf.text(), "1000");  // no number: refused, the value shown again, nothing reported
    EXPECT_FALSE(hpf.IsModified());
    EXPECT_TRUE(m_parent.m_messages.empty());
    EXPECT_EQ(hpf.GetValue(), 1000);
    Type(hpf, "50000");
    LoseFocus(hpf);
    EXPECT_EQ(hpf.text(), "20000");
    EXPECT_EQ(m_parent.m_boxes.size(), 3u);
    EXPECT_EQ(Notifications(ID_HPF), 1u);
}

TEST_F(NumEditTest, GetValueReadsTypedTextWithoutCorrectingIt)
{
    CNumEdit& gain = *AddField(ID_GAIN5, NUMEDIT_CENTRED, 0, 400, 0.1);
    gain.SetValue(200);
    Type(gain, "0.3");
    EXPECT_EQ(gain.GetValue(), 203);
    Type(gain, "25");
    EXPECT_EQ(gain.GetValue(), 203);  // out of range: kept, and no box
    EXPECT_EQ(gain.text(), "25");
    EXPECT_TRUE(m_parent.m_boxes.empty());
    EXPECT_TRUE(m_parent.m_messages.empty());

    CNumEdit& q = *AddField(ID_Q5, NUMEDIT_Q, 0, 59);
    q.SetValue(24);
    Type(q, "30");
    EXPECT_EQ(q.GetValue(), 24);
    ASSERT_EQ(m_parent.m_boxes.size(), 1u);  // the Q field warns even here
    EXPECT_EQ(q.GetValue(), 24);
    EXPECT_EQ(m_parent.m_boxes.size(), 1u);  // once: the edit is over
}

TEST_F(NumEditTest, WheelStepsPerNotchAndReportsEveryTurn)
{
    CNumEdit& gain = *AddField(ID_GAIN5, NUMEDIT_CENTRED, 0, 400, 0.1);
    gain.SetValue(200);
    Wheel(gain, 60);
    EXPECT_EQ(gain.GetValue(), 200);
    Wheel(gain, 60);
    EXPECT_EQ(gain.GetValue(), 201);
    EXPECT_EQ(gain.text(), "0.1");
    EXPECT_EQ(Notifications(ID_GAIN5), 2u);

    Wheel(gain, 240);  // a big turn is still one step
    EXPECT_EQ(gain.GetValue(), 202);
    Wheel(gain, -120);
    EXPECT_EQ(gain.GetValue(), 201);
    Wheel(gain, INT_MAX);  // no wrap-around of the sum
    EXPECT_EQ(gain.GetValue(), 202);
    Wheel(gain, INT_MIN);
    EXPECT_EQ(gain.GetValue(), 201);
    // A half turn one way is undone by a half turn back.
    Wheel(gain, 60);
    Wheel(gain, -60);
    Wheel(gain, 60);
    EXPECT_EQ(gain.GetValue(), 201);
    EXPECT_EQ(Notifications(ID_GAIN5), 9u);

    gain.SetValue(400);
    Wheel(gain, 120);  // at the top: stays, still reported
    EXPECT_EQ(gain.GetValue(), 400);
    EXPECT_EQ(Notifications(ID_GAIN5), 10u);
}

TEST_F(NumEditTest, ArrowKeysStepWithinTheRangeAndAreConsumed)
{
    CNumEdit& gate = *AddField(2110, NUMEDIT_SCALED_WHOLE, 10, 40, 1.0, 120);
    gate.SetValue(11);
    EXPECT_EQ(gate.text(), "-109");
    EXPECT_TRUE(Key(gate, Qt::Key_Down));
    EXPECT_EQ(gate.text(), "-110");
    EXPECT_TRUE(Key(gate, Qt::Key_Down));  // at the bottom
    EXPECT_EQ(gate.GetValue(), 10);
    EXPECT_TRUE(Key(gate, Qt::Key_Up));
    EXPECT_EQ(gate.GetValue(), 11);
    EXPECT_EQ(m_parent.Of(WM_COMMAND_EVENT).size(), 3u);
    // Other keys edit the text and report nothing.
    gate.selectAll();
    Key(gate, Qt::Key_Backspace);
    EXPECT_TRUE(gate.text().isEmpty());
    EXPECT_TRUE(gate.IsModified());
    EXPECT_EQ(m_parent.Of(WM_COMMAND_EVENT).size(), 3u);
}

// The box takes the focus from the field while it is up; that is not the
// user leaving the field, so no second commit (and no second box) follows.
TEST_F(NumEditTest, FocusTakenByItsOwnBoxDoesNotCommitAgain)
{
    CNumEdit& gain = *AddField(ID_GAIN5, NUMEDIT_CENTRED, 0, 400, 0.1);
    gain.SetValue(200);
    int nBoxes = 0;
    const MessageBoxHandler recorder = SetMessageBoxHandler([&](const std::string&, MessageIcon, MessageButtons) {
        ++nBoxes;
        LoseFocus(gain, Qt::ActiveWindowFocusReason);
        return MessageAnswer::Ok;
    });
    Type(gain, "-25");
    LoseFocus(gain);
    SetMessageBoxHandler(recorder);
    EXPECT_EQ(nBoxes, 1);
    EXPECT_EQ(gain.text(), "-20.0");
    EXPECT_EQ(gain.GetValue(), 0);
    EXPECT_EQ(Notifications(ID_GAIN5), 1u);
}

TEST(NumEditAlone, WorksWithoutAParentOrARange)
{
    CNumEdit edit;  // no parent to tell, every setting 0
    EXPECT_EQ(edit.GetValue(), 0);
    edit.SetMode(NUMEDIT_CENTRED);
    EXPECT_EQ(edit.text(), "0.0");
    edit.selectAll();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_5, Qt::NoModifier, "5");
    QCoreApplication::sendEvent(&edit, &press);
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(&edit, &out);  // a step of 0: nothing to divide by
    EXPECT_EQ(edit.GetValue(), 0);
    QWheelEvent wheel(QPointF(), QPointF(), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                      false);
    QCoreApplication::sendEvent(&edit, &wheel);
    EXPECT_EQ(edit.GetValue(), 0);
    edit.SetRange(INT_MAX - 1, INT_MAX);
    edit.SetMode(NUMEDIT_INTEGER);
    edit.SetValue(INT_MAX);
    QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
    QCoreApplication::sendEvent(&edit, &up);  // no overflow past the top
    EXPECT_EQ(edit.GetValue(), INT_MAX);
    EXPECT_EQ(edit.text(), QString::number(INT_MAX));
}
