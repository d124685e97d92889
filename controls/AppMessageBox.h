// Shows the program's message boxes as Qt dialogs: the window installs this
// as the handler of the one message-box function, over its own window.
#pragma once

class QWidget;

// Boxes are shown modal over pOwner (or the active window when null).
void InstallQtMessageBox(QWidget* pOwner);
