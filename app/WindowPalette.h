// One dark palette for the window's fields, lists and radio buttons, so the
// platform's controls sit on the graphite panel without light patches.
#pragma once

#include <QPalette>

class QWidget;

QPalette WindowPalette();
// The palette and the window's font on the window and its lists.
void ApplyWindowPalette(QWidget& window);
