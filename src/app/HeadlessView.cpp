#include "app/HeadlessView.h"

#include "app/StandardStreams.h"

#include <csignal>

namespace {

// Names and hosts are bytes the logs hold one character per byte: the lines
// carry the same bytes as the outcome log.
void printJobLine(JobKind job, const QString& what, const QString& text)
{
    printLine((jobName(job) + QLatin1Char(' ') + what + QStringLiteral(": ") + text).toLatin1());
}

}

HeadlessView::HeadlessView()
{
    // A reader of standard output that goes away (a journal restarting) must
    // not end the service unsaved: the write fails instead.
    std::signal(SIGPIPE, SIG_IGN);
}

void HeadlessView::showMessage(const QString& text)
{
    printProblem(text);
}

void HeadlessView::fileRecorded(JobKind job, const QString& outcomeLine)
{
    printJobLine(job, QStringLiteral("file"), outcomeLine);
}

void HeadlessView::jobStarted(JobKind job, const QString& host)
{
    printJobLine(job, QStringLiteral("started"), host);
}

void HeadlessView::jobEnded(JobKind job, const QString& outcome)
{
    printJobLine(job, QStringLiteral("ended"), outcome);
}
