#pragma once

#include <QtGlobal>

class Engine;

// What the program holds in memory, by design, for the files it has moved so
// far: the names both duplicate checks have recorded, and the list of the
// working folder's files to deliver, where delivered files stay. Measured by
// malloc's bytes in use while copies are made afresh: the two name records
// loaded from their files, as start-up loads them, and the list read again.
qint64 heldByDesignBytes(const Engine& engine);
