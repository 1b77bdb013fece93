#include "support/ProgramUnderTest.h"

#include "app/StartUp.h"
#include "platform/TimeScale.h"

#include <QDir>

ProgramUnderTest::ProgramUnderTest(double timeScale)
{
    TimeScale::set(timeScale);
    program.form.messages.recordInsteadOfShowing();
    startUp(program);
    QDir(folder.path()).mkdir(QStringLiteral("work"));
    program.engine.workPath = folder.file(QStringLiteral("work"));
    program.engine.File2.setPath(program.engine.workPath);
}

QString ProgramUnderTest::workFile(const QString& name) const
{
    return QDir(program.engine.workPath).filePath(name);
}
