// Parts the window's tool dialogs (fit, alignment) share: the figures they
// report in, and Apply with Cancel.
#pragma once

class QDialog;
class QDialogButtonBox;
class QLabel;
class QPushButton;
class QWidget;

// A label for figures that wraps, can be selected and copied, and is at
// least nMinWidth pixels wide.
QLabel* MakeFiguresLabel(QWidget* pParent, int nMinWidth);
// Apply (accepts; returned in pApply) and Cancel (rejects) for dialog.
QDialogButtonBox* MakeApplyButtons(QDialog& dialog, QPushButton*& pApply);
