#include "support/Measure.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <malloc.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr qint64 kFilePiece = 1 << 20;

double secondsOf(const timespec& t)
{
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

double clockSeconds(clockid_t clock)
{
    timespec t {};
    ::clock_gettime(clock, &t);
    return secondsOf(t);
}

// splitmix64: fast enough that writing, not generating, sets the pace.
quint64 nextRandom(quint64& state)
{
    quint64 z = (state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    const QList<QByteArray> pages = statm.open(QIODevice::ReadOnly) ? statm.readAll().split(' ') : QList<QByteArray> {};
    return pages.size() >= 2 ? pages[1].toLongLong() * ::sysconf(_SC_PAGESIZE) : 0;
}

QString firstCpuinfoValue(const QByteArray& key)
{
    QFile cpuinfo(QStringLiteral("/proc/cpuinfo"));
    if (!cpuinfo.open(QIODevice::ReadOnly))
        return QStringLiteral("unknown CPU");
    for (const QByteArray& line : cpuinfo.readAll().split('\n')) {
        if (line.startsWith(key) && line.contains(':'))
            return QString::fromLatin1(line.mid(line.indexOf(':') + 1).trimmed());
    }
    return QStringLiteral("unknown CPU");
}

}

Moment momentNow()
{
    return { clockSeconds(CLOCK_MONOTONIC), clockSeconds(CLOCK_PROCESS_CPUTIME_ID) };
}

Footprint footprintNow()
{
    Footprint footprint;
    // First, before reading the others allocates anything.
    const struct mallinfo2 heap = ::mallinfo2();
    footprint.mallocInUseBytes = qint64(heap.uordblks + heap.hblkhd);
    footprint.residentBytes = residentBytes();
    // Less the one the listing holds open while it reads.
    const QDir descriptors(QStringLiteral("/proc/self/fd"));
    const QDir::Filters every = QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot;
    footprint.openDescriptors = int(descriptors.entryList(every).size()) - 1;
    return footprint;
}

void restartWithoutMallocCache(char** argv)
{
    static const char kTunable[] = "glibc.malloc.tcache_count=0";
    // Once restarted, the servers a benchmark starts need not inherit it.
    if (qgetenv("GLIBC_TUNABLES") == kTunable) {
        ::unsetenv("GLIBC_TUNABLES");
        return;
    }
    ::setenv("GLIBC_TUNABLES", kTunable, 1);
    ::execv("/proc/self/exe", argv);
    ::unsetenv("GLIBC_TUNABLES");
    std::fprintf(stderr, "could not restart without malloc's per-thread cache: malloc figures include it\n");
}

double cpuSecondsOf(const rusage& usage)
{
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

ChildRun runChild(const QString& program, const QStringList& arguments, const QString& stdoutPath)
{
    std::vector<QByteArray> texts { QFile::encodeName(program) };
    for (const QString& argument : arguments)
        texts.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    const QByteArray outPath = QFile::encodeName(stdoutPath);
    ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.constData(), O_WRONLY | O_CREAT | O_TRUNC,
                                       0600);
    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    ChildRun run;
    if (spawned != 0)
        return run;
    int status = 0;
    rusage usage {};
    while (::wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR)
            return run;
    }
    run.cpuSeconds = cpuSecondsOf(usage);
    run.peakRssKiB = usage.ru_maxrss;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

bool writeRandomFile(const QString& path, qint64 size, quint64 seed)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QByteArray piece(kFilePiece, Qt::Uninitialized);
    quint64 state = seed;
    for (qint64 left = size; left > 0;) {
        auto* words = reinterpret_cast<quint64*>(piece.data());
        for (qint64 i = 0; i < kFilePiece / qint64(sizeof(quint64)); ++i)
            words[i] = nextRandom(state);
        const qint64 length = std::min(left, kFilePiece);
        if (file.write(piece.constData(), length) != length)
            return false;
        left -= length;
    }
    return file.flush();
}

bool sameFileBytes(const QString& a, const QString& b)
{
    QFile first(a);
    QFile second(b);
    if (!first.open(QIODevice::ReadOnly) || !second.open(QIODevice::ReadOnly) || first.size() != second.size())
        return false;
    while (!first.atEnd()) {
        const QByteArray x = first.read(kFilePiece);
        if (x.isEmpty() || x != second.read(kFilePiece))
            return false;
    }
    return true;
}

QString machineDescription()
{
    QFile loadavg(QStringLiteral("/proc/loadavg"));
    const QList<QByteArray> load = loadavg.open(QIODevice::ReadOnly) ? loadavg.readAll().split(' ') : QList<QByteArray> {};
    return QStringLiteral("%1 cores (nproc), %2, load average %3 at start")
        .arg(::sysconf(_SC_NPROCESSORS_ONLN))
        .arg(firstCpuinfoValue("model name"))
        .arg(load.size() >= 3 ? QString::fromLatin1(load.mid(0, 3).join(' ')) : QStringLiteral("unknown"));
}
