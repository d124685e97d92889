// Accessibility tools drive the controls as a user does: a request reaches a
// control only when the user's own input could, and then takes the path the
// mouse or the keys take, so the window applies all of its rules to it.
#pragma once

#include <functional>

class QKeyEvent;
class QWidget;

// Sent through the application to a control before a request acts on it. A
// filter that holds back the user's input (the window busy with a transfer)
// holds this back too.
inline constexpr int WM_ACCESSIBLE_INPUT = 0x4CA;

// Whether a request may act on the control now: it is shown and enabled, no
// other window's modal box holds the input, and no filter took
// WM_ACCESSIBLE_INPUT.
bool AdmitAccessibleInput(QWidget* pControl);

// A left click in the middle of the control, pressed and released as the
// mouse does it; false when the request was not admitted.
bool ClickAsUser(QWidget* pControl);

// Space or Enter without a modifier clicks a focused switch or key, as it
// pushes a button of the toolkit, once however long it is held: for such a
// key fnClick is called (not for its repeats) and the event is taken. False
// for any other key, which is left to the control's default handling.
bool ClickOnActivationKey(QKeyEvent& keyEvent, const std::function<void()>& fnClick);
