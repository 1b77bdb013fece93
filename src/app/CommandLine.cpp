#include "app/CommandLine.h"

#include "app/StandardStreams.h"
#include "app/StartFolder.h"

#include <QCoreApplication>

#include <cstdlib>

namespace {

[[noreturn]] void endWithUsageError(const QString& message)
{
    printProblem(message);
    std::exit(EXIT_FAILURE);
}

}

CommandLine::CommandLine()
    : headless(QStringLiteral("headless"),
               QStringLiteral("Run without a window, from the settings, records and logs of the current folder, "
                              "until SIGTERM or SIGINT.")),
      download(QStringLiteral("download"), QStringLiteral("With --headless: switch the downloads on.")),
      upload(QStringLiteral("upload"), QStringLiteral("With --headless: switch the uploads on.")),
      everyHour(QStringLiteral("every-hour"), QStringLiteral("With --headless: \"Every Hour\", each site due hourly "
                                                             "from its hour on.")),
      folder(QStringLiteral("folder"),
             QStringLiteral("Start in <folder>, as if started from it, creating it if missing."),
             QStringLiteral("folder")),
      dataFolder(QStringLiteral("data-folder"))
{
    QCoreApplication::setApplicationName(QStringLiteral("Tolvane"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));
    // The folder follows from the name just set.
    dataFolder.setDescription(QStringLiteral("Start in your data folder, %1, creating it if missing: the menu "
                                             "entry starts Tolvane so.")
                                  .arg(userDataFolder()));
    parser.setApplicationDescription(QStringLiteral("Collects files from FTP sites and delivers files to others, "
                                                    "each site at its hour of the day."));
    // Qt's own options of a window ("-platform", "-style") are single-dash
    // words; read as short options run together, "-reverse" would hold "-v".
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({ headless, download, upload, everyHour, folder, dataFolder });
}

bool CommandLine::opensWindow(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    // Qt's options of a window are unknown here and make this parse fail;
    // the program's own are found all the same.
    parser.parse(arguments);
    QStringList others = parser.optionNames();
    others.removeIf([this](const QString& name) {
        return folder.names().contains(name) || dataFolder.names().contains(name);
    });
    return others.isEmpty();
}

HeadlessChoice CommandLine::read(const QCoreApplication& application)
{
    parser.process(application);
    const HeadlessChoice choice { parser.isSet(download), parser.isSet(upload), parser.isSet(everyHour) };
    const bool jobChosen = choice.download || choice.upload;
    if (!parser.isSet(headless) && (jobChosen || choice.everyHour))
        endWithUsageError(QStringLiteral("--download, --upload and --every-hour need --headless"));
    if (parser.isSet(headless) && !jobChosen)
        endWithUsageError(QStringLiteral("--headless needs --download, --upload or both"));
    if (parser.isSet(folder) && parser.isSet(dataFolder))
        endWithUsageError(QStringLiteral("--folder and --data-folder name two places to start in"));
    return choice;
}

QString CommandLine::startFolder() const
{
    return parser.isSet(dataFolder) ? userDataFolder() : parser.value(folder);
}
