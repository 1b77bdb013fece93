#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>

class QCoreApplication;

// What the command line chooses for a run without a window: the jobs whose
// switches turn on, and "Every Hour".
struct HeadlessChoice {
    bool download = false;
    bool upload = false;
    bool everyHour = false;
};

// The program's options, described once for both ways it runs, with --help
// and --version. Making one also names the program and its version.
class CommandLine {
public:
    CommandLine();

    // Read before any application object exists, since it decides the
    // object's kind: the window opens unless an option of the program's own
    // other than where to start is given; none of those needs a display.
    bool opensWindow(int argc, char* argv[]);

    // Reads the arguments the application object left (a window takes out
    // Qt's own). --help and --version print and end the process with 0; an
    // unknown option, a job option without --headless, or --headless without
    // a job, or both folder options, prints why and ends it with 1, as the
    // parser does.
    HeadlessChoice read(const QCoreApplication& application);

    // After read: the folder to start in, as if started from it (--folder,
    // or the user's data folder for --data-folder); empty to stay in the
    // current folder.
    QString startFolder() const;

private:
    QCommandLineParser parser;
    QCommandLineOption headless;
    QCommandLineOption download;
    QCommandLineOption upload;
    QCommandLineOption everyHour;
    QCommandLineOption folder;
    QCommandLineOption dataFolder;
};
