// The program's icon at the sizes a desktop asks for, drawn by our own code.
#pragma once

#include <QIcon>

QIcon ProgramIcon();
