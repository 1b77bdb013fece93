#pragma once

#include <QByteArray>
#include <QString>

// What a run without a window prints. Each line goes out at once: under a
// service manager standard output is a pipe or a socket, which the C library
// would otherwise buffer until the process ends.

// One line on standard output, its bytes as given.
void printLine(const QByteArray& line);

// "Tolvane: what went wrong" on standard error, as the option parser words
// its own complaints.
void printProblem(const QString& text);
