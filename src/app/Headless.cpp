#include "app/Headless.h"

#include "app/CommandLine.h"
#include "app/HeadlessView.h"
#include "app/StandardStreams.h"
#include "app/StartFolder.h"
#include "app/TerminationSignals.h"
#include "config/SettingsFiles.h"
#include "platform/PlainEventLoop.h"
#include "schedule/Engine.h"
#include "schedule/JobSwitch.h"
#include "schedule/StartUpShutdown.h"

#include <QCoreApplication>

#include <cstdlib>
#include <tuple>

namespace {

// As "eXit Now!" closes the window: whatever runs, the sockets close within
// their bound and the settings are saved.
void closeNow(Engine& e)
{
    e.session.appClosing = true;
    e.schedule.exitNowRequested = true;
    shutDown(e);
    // Everything is saved by then; a job procedure waiting further up the
    // stack has nothing left to do, and its waits would keep the process alive.
    if (e.schedule.downloadJobRunning || e.schedule.uploadJobRunning)
        std::_Exit(EXIT_SUCCESS);
    QCoreApplication::exit(EXIT_SUCCESS);
}

// As the window's switches turn on, refused for the same reasons.
bool switchChosenJobsOn(Engine& e, const HeadlessChoice& choice)
{
    for (const auto& [job, chosen, siteFile] : { std::tuple { JobKind::Download, choice.download, kDownloadSiteFile },
                                                 std::tuple { JobKind::Upload, choice.upload, kUploadSiteFile } }) {
        if (chosen && !turnJobSwitch(e, job, true)) {
            printProblem(QStringLiteral("the %1s stay off: see the first site of %2").arg(jobName(job), siteFile));
            return false;
        }
    }
    return true;
}

}

int runHeadless(int& argc, char* argv[])
{
    choosePlainEventLoop();
    QCoreApplication application(argc, argv);
    CommandLine commandLine;
    const HeadlessChoice choice = commandLine.read(application);
    if (!enterStartFolder(commandLine.startFolder()))
        return EXIT_FAILURE;
    if (const QString problem = settingsFolderProblem(); !problem.isEmpty()) {
        printProblem(problem);
        return EXIT_FAILURE;
    }
    HeadlessView view;
    Engine engine { view };
    const TerminationSignals termination([&engine] { closeNow(engine); });
    if (!termination.watching()) {
        printProblem(QStringLiteral("cannot watch for SIGTERM and SIGINT, so could not close safely"));
        return EXIT_FAILURE;
    }
    // The window fills its rows from the first sites only when both site
    // files loaded whole; otherwise its switches refuse, and so do these.
    if (startUp(engine))
        useFirstSites(engine);
    else
        printProblem(QStringLiteral("a site file did not load whole (kept beside it as .bad; see err_dload.log "
                                    "and err_upload.log), so no site is current"));
    engine.options.ai_hr = choice.everyHour;
    if (!switchChosenJobsOn(engine, choice))
        return EXIT_FAILURE;
    return application.exec();
}
