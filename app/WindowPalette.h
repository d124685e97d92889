// One dark palette for the window's fields, lists and radio buttons, so the
// platform's controls sit on the graphite panel without light patches.
#pragma once

class QWidget;

void ApplyWindowPalette(QWidget& window);
