#pragma once

#include "app/Program.h"
#include "app/StartUp.h"
#include "platform/TimeScale.h"
#include "support/TemporaryCurrentFolder.h"

// A fresh program, window and all, as start-up leaves it, in a temporary
// current folder of its own, with the working folder "work" inside it, timers
// running at the given scale (by default one program second lasts 20 ms) and
// message boxes recorded, not shown.
class ProgramUnderTest {
public:
    explicit ProgramUnderTest(double timeScale = 0.02)
    {
        TimeScale::set(timeScale);
        program.form.messages.recordInsteadOfShowing();
        startUp(program);
        QDir(folder.path()).mkdir(QStringLiteral("work"));
        program.engine.workPath = folder.file(QStringLiteral("work"));
        program.engine.File2.setPath(program.engine.workPath);
    }

    TemporaryCurrentFolder folder;
    Program program;

    // A file of the current folder (the logs).
    QString logFile(const QString& name) const { return folder.file(name); }
};
