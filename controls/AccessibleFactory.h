// Makes the window's own controls known to accessibility tools with their
// roles, states and values, its numeric fields as fields whose edits take
// effect, and its lists by their names and chosen items (Qt's name fields
// and radio buttons have theirs already). Install before the first control is
// made: a control asked about earlier keeps the interface it was given then.
#pragma once

// Installs the factory once; later calls do nothing.
void InstallAccessibleControls();
