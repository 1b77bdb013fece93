#pragma once

#include <QString>
#include <QStringList>

#include <sys/resource.h>

// What every benchmark measures with: clocks, this process's memory and
// descriptors, child processes whose resource use is read when they end, large
// files of random bytes and their comparison, and the machine the figures came
// from.

// Wall-clock and processor time of this process at one moment.
struct Moment {
    double wallSeconds = 0;
    double cpuSeconds = 0;
};
Moment momentNow();

// What this process holds at one moment: resident memory (/proc/self/statm),
// the bytes malloc has handed out and not had back (mallinfo2's uordblks, and
// hblkhd for the blocks it mapped on their own), and its open file
// descriptors (/proc/self/fd).
struct Footprint {
    qint64 residentBytes = 0;
    qint64 mallocInUseBytes = 0;
    int openDescriptors = 0;
};
Footprint footprintNow();
// Starts this program again (argv as main got it) without malloc's
// per-thread cache, unless this is the restarted one: the cache keeps freed
// blocks, which mallinfo2 counts as in use, so the in-use figure would grow as
// it fills.
void restartWithoutMallocCache(char** argv);

// A child process run to its end: its exit code (-1 when it could not be
// started or did not exit normally) and the resources it used, from wait4.
struct ChildRun {
    int exitCode = -1;
    double cpuSeconds = 0;
    long peakRssKiB = 0;
};
// Runs program with arguments, its standard output going to stdoutPath, and
// waits for it.
ChildRun runChild(const QString& program, const QStringList& arguments, const QString& stdoutPath);
double cpuSecondsOf(const rusage& usage);

// Writes size random bytes to path, a piece at a time, so even a file of
// several GiB never sits in memory. False when it cannot be written.
bool writeRandomFile(const QString& path, qint64 size, quint64 seed);
// Whether two files hold the same bytes, compared a piece at a time.
bool sameFileBytes(const QString& a, const QString& b);

// "2 cores, AMD EPYC, load 3.1 2.9 2.5" from /proc.
QString machineDescription();
