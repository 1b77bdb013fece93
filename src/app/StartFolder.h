#pragma once

#include <QString>

// The user's data folder for Tolvane (~/.local/share/Tolvane as a rule): the
// menu entry starts it there, so that it finds the same sites every time.
QString userDataFolder();

// Makes the folder the current one, as if the program had been started from
// it, creating it when missing; an empty name keeps the current folder. When
// it cannot, says why on standard error and returns false.
bool enterStartFolder(const QString& folder);
