// Parts the window's tool dialogs (fit, alignment) share: the range of
// frequencies they work over, the figures they report in, and Apply with
// Cancel.
#pragma once

class QDialog;
class QDialogButtonBox;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QSpinBox;
class QWidget;

// The file types a measurement (or a target) is chosen among.
inline constexpr const char* MEASUREMENT_FILTER = "Measurement exports|*.txt;*.csv;*.frd;*.dat|All files|*||";

// "LOW Hz to HIGH Hz": two boxes over the graph's span, returned in pLow and
// pHigh, in a row of their own.
QHBoxLayout* MakeHzRangeRow(QWidget* pParent, QSpinBox*& pLow, QSpinBox*& pHigh);
// A label for figures that wraps, can be selected and copied, and is at
// least nMinWidth pixels wide.
QLabel* MakeFiguresLabel(QWidget* pParent, int nMinWidth);
// Apply (accepts; returned in pApply) and Cancel (rejects) for dialog.
QDialogButtonBox* MakeApplyButtons(QDialog& dialog, QPushButton*& pApply);
