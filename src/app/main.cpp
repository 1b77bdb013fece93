#include "app/Program.h"
#include "app/StartUp.h"
#include "platform/PlainEventLoop.h"

#include <QApplication>

#include <cstdlib>

int main(int argc, char* argv[])
{
    choosePlainEventLoop();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tolvane"));
    QApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));
    Program program;
    // Everything is saved by then; the job waiting further up the stack has
    // nothing left to do.
    program.endWhileJobRuns = [] { std::_Exit(0); };
    startUp(program);
    program.form.openCentred();
    return app.exec();
}
