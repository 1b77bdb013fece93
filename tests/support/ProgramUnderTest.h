#pragma once

#include "app/Program.h"
#include "support/TemporaryCurrentFolder.h"

#include <QString>

// A fresh program, window and all, as start-up leaves it, in a temporary
// current folder of its own, with the working folder "work" inside it, timers
// running at the given scale and message boxes recorded, not shown.
class ProgramUnderTest {
public:
    static constexpr double kDefaultTimeScale = 0.02;  // one program second = 20 ms

    explicit ProgramUnderTest(double timeScale = kDefaultTimeScale);

    TemporaryCurrentFolder folder;
    Program program;

    QString workFile(const QString& name) const;
    QString logFile(const QString& name) const { return folder.file(name); }
};
