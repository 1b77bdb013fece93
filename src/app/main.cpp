#include "app/CommandLine.h"
#include "app/Headless.h"
#include "app/Program.h"
#include "app/StartFolder.h"
#include "app/StartUp.h"
#include "platform/PlainEventLoop.h"

#include <QApplication>

#include <cstdlib>

int main(int argc, char* argv[])
{
    CommandLine commandLine;
    if (!commandLine.opensWindow(argc, argv))
        return runHeadless(argc, argv);
    choosePlainEventLoop();
    QApplication app(argc, argv);
    commandLine.read(app);
    if (!enterStartFolder(commandLine.startFolder()))
        return EXIT_FAILURE;
    Program program;
    // Everything is saved by then; the job waiting further up the stack has
    // nothing left to do.
    program.endWhileJobRuns = [] { std::_Exit(0); };
    startUp(program);
    program.form.openCentred();
    return app.exec();
}
