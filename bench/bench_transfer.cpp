// Throughput, processor time and memory of whole transfer jobs against vsftpd
// on loopback in active mode, side by side with curl, and the cost of picking
// names out of long listings. Prints one results table; the targets in its
// last column are read by people, never checked by a test.
//
//   bench_transfer [MiB [rounds]]     (default: 256 MiB, 3 rounds)
//
// Needs root (vsftpd's fixture adds its user), curl, and vsftpd unpacked into
// the build folder (make bench does it through scripts/install-deps.sh). The two clients take
// turns within each round, first one then the other, so a burst of load on a
// shared machine hits both; the table shows medians over the rounds.
#include "platform/PlainEventLoop.h"
#include "support/ListingPicks.h"
#include "support/Measure.h"
#include "support/RealFtpServer.h"
#include "support/TransferRuns.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr qint64 kMiB = 1 << 20;
constexpr double kGiB = double(1 << 30);
constexpr int kDefaultMiB = 256;
constexpr int kDefaultRounds = 3;
constexpr qint64 kSmallRssMiB = 64;
constexpr qint64 kLargeRssMiB = 1024;
constexpr int kNlstNames = 20'000;
constexpr int kListLines = 5'000;
constexpr double kDownloadTarget = 1.0;
constexpr double kUploadTarget = 0.35;
// Processor seconds per GiB an upload may cost, at most.
constexpr double kUploadCpuTarget = 2.0;
constexpr double kRssTargetMB = 80;
// The data socket holds up to 8 MiB unread and hands it over whole, so the
// peak moves by up to about twice that with timing; a peak that grew with the
// file would be some 900 MB higher for the larger one.
constexpr double kRssGrowthToleranceMB = 32;

const QString kSourceName = QStringLiteral("down.dat");

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double megabytesPerSecond(qint64 bytes, const TransferFigures& f)
{
    return f.dataSeconds > 0 ? double(bytes) / f.dataSeconds / 1e6 : 0;
}

double cpuPerGiB(qint64 bytes, const TransferFigures& f)
{
    return f.cpuSeconds * kGiB / double(bytes);
}

// One direction's figures over all rounds; a round counts only when both
// clients moved the file byte-equal.
struct Direction {
    std::vector<double> programRates, curlRates, ratios, programCpu, curlCpu;
    QStringList problems;

    void add(qint64 bytes, const TransferFigures& program, const TransferFigures& curl)
    {
        if (!program.valid)
            problems << QStringLiteral("program: ") + program.problem;
        if (!curl.valid)
            problems << QStringLiteral("curl: ") + curl.problem;
        if (!program.valid || !curl.valid)
            return;
        programRates.push_back(megabytesPerSecond(bytes, program));
        curlRates.push_back(megabytesPerSecond(bytes, curl));
        ratios.push_back(programRates.back() / curlRates.back());
        programCpu.push_back(cpuPerGiB(bytes, program));
        curlCpu.push_back(cpuPerGiB(bytes, curl));
    }
    bool measured() const { return !ratios.empty(); }
};

// Runs the program's and curl's transfer in the round's order and adds the pair.
void runPair(Direction& direction, int round, qint64 bytes, const char* label,
             const std::function<TransferFigures()>& program, const std::function<TransferFigures()>& curl)
{
    TransferFigures p, c;
    if (round % 2 == 0) {
        p = program();
        c = curl();
    } else {
        c = curl();
        p = program();
    }
    direction.add(bytes, p, c);
    std::printf("  round %d %-8s program %8.1f MB/s %s  curl %8.1f MB/s %s\n", round + 1, label,
                megabytesPerSecond(bytes, p), p.valid ? "ok    " : "BROKEN", megabytesPerSecond(bytes, c),
                c.valid ? "ok" : "BROKEN");
    std::fflush(stdout);
}

const char* verdict(bool met)
{
    return met ? "met" : "MISSED";
}

void printRow(const char* what, const QString& program, const QString& curl, const QString& ratio,
              const QString& target)
{
    std::printf("| %-34s | %12s | %10s | %9s | %-22s |\n", what, qPrintable(program), qPrintable(curl),
                qPrintable(ratio), qPrintable(target));
}

QString number(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

// The rate's target is a share of curl's; the processor time's, when there is
// one, is a number of seconds per GiB.
void printTransferRows(const char* rate, const char* cpu, const Direction& d, double target, double cpuTarget = 0)
{
    if (!d.measured()) {
        printRow(rate, QStringLiteral("-"), QStringLiteral("-"), QStringLiteral("-"),
                 QStringLiteral("NOT MEASURED"));
        return;
    }
    const double ratio = median(d.ratios);
    printRow(rate, number(median(d.programRates), 1), number(median(d.curlRates), 1), number(ratio, 3),
             QStringLiteral(">= %1 of curl: %2").arg(target).arg(QLatin1String(verdict(ratio >= target))));
    const double cpuPerGiB = median(d.programCpu);
    printRow(cpu, number(cpuPerGiB, 3), number(median(d.curlCpu), 3), number(cpuPerGiB / median(d.curlCpu), 2),
             cpuTarget > 0
                 ? QStringLiteral("<= %1 s: %2").arg(cpuTarget).arg(QLatin1String(verdict(cpuPerGiB <= cpuTarget)))
                 : QString());
}

QString rssText(long kib)
{
    return kib < 0 ? QStringLiteral("BROKEN") : number(double(kib) * 1024 / 1e6, 1);
}

void printPickRows(const char* name, const PickFigures& half, const PickFigures& full)
{
    for (const PickFigures* f : { &half, &full }) {
        const QString what = QStringLiteral("%1 pick, %2 entries, CPU ms").arg(QLatin1String(name)).arg(f->entries);
        const bool all = f->picked == f->entries;
        printRow(qPrintable(what), number(f->cpuSeconds * 1e3, 2), QString(),
                 all ? QString() : QStringLiteral("%1 picked").arg(f->picked),
                 QStringLiteral("%1 us per entry").arg(number(f->cpuSeconds * 1e6 / f->entries, 3)));
    }
    const double growth = half.cpuSeconds > 0 ? full.cpuSeconds / half.cpuSeconds : 0;
    printRow(qPrintable(QStringLiteral("%1 pick, double the entries").arg(QLatin1String(name))),
             QStringLiteral("x %1").arg(number(growth, 2)), QString(), QString(),
             QStringLiteral("linear: x 2.0: %1").arg(QLatin1String(verdict(growth < 2.5))));
}

}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt looks for the session's runtime folder and warns on every start when
    // there is none (as under sudo or in a container); a private one keeps the
    // output to the figures.
    QTemporaryDir runtimeFolder;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && runtimeFolder.isValid())
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeFolder.path()));
    choosePlainEventLoop();
    QApplication app(argc, argv);
    if (argc > 1 && QByteArray(argv[1]) == kPeakRssChildFlag)
        return runPeakRssChild(argc, argv);

    const qint64 mebibytes = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : kDefaultMiB;
    const int rounds = argc > 2 ? std::max(1, QByteArray(argv[2]).toInt()) : kDefaultRounds;
    const qint64 bytes = mebibytes * kMiB;

    std::printf("bench_transfer: vsftpd on 127.0.0.1, active mode (PORT), %lld MiB of random bytes, %d rounds\n",
                static_cast<long long>(mebibytes), rounds);
    std::printf("  machine: %s\n", qPrintable(machineDescription()));
    std::fflush(stdout);

    if (QStandardPaths::findExecutable(QStringLiteral("curl")).isEmpty()) {
        std::printf("bench_transfer: cannot run: curl is not installed\n");
        return 1;
    }
    RealFtpServer server(RealFtpServer::Kind::Vsftpd);
    if (!server.start()) {
        std::printf("bench_transfer: cannot run: vsftpd: %s\n", qPrintable(server.failureReason()));
        return 1;
    }
    QTemporaryDir scratch;
    const QString source = QDir(server.rootPath()).filePath(kSourceName);
    if (!scratch.isValid() || !writeRandomFile(source, bytes, 1)) {
        std::printf("bench_transfer: cannot run: no room for a %lld MiB file\n", static_cast<long long>(mebibytes));
        return 1;
    }
    const CurlFixedCost fixed = curlFixedCost(server, scratch.path());

    Direction download, upload;
    for (int round = 0; round < rounds; ++round) {
        runPair(download, round, bytes, "download", [&] { return programDownload(server, kSourceName); },
                [&] { return curlDownload(server, kSourceName, scratch.path(), fixed.downloadCpuSeconds); });
        runPair(upload, round, bytes, "upload", [&] { return programUpload(server, source, QStringLiteral("up.dat")); },
                [&] {
                    return curlUpload(server, source, QStringLiteral("curl-up.dat"), scratch.path(),
                                      fixed.uploadCpuSeconds);
                });
    }
    QFile::remove(source);

    long rss[2] = {};
    const qint64 rssSizes[2] = { kSmallRssMiB, kLargeRssMiB };
    for (int i = 0; i < 2; ++i) {
        const QString name = QStringLiteral("rss-%1.dat").arg(rssSizes[i]);
        const QString path = QDir(server.rootPath()).filePath(name);
        rss[i] = writeRandomFile(path, rssSizes[i] * kMiB, 2 + i) ? downloadPeakRssKiB(server, name, scratch.path())
                                                                  : -1;
        QFile::remove(path);
    }

    const PickFigures nlstHalf = pickNlstNames(kNlstNames / 2);
    const PickFigures nlstFull = pickNlstNames(kNlstNames);
    const PickFigures listHalf = pickListNames(kListLines / 2);
    const PickFigures listFull = pickListNames(kListLines);

    std::printf("\n");
    printRow("measure (medians over the rounds)", QStringLiteral("program"), QStringLiteral("curl"),
             QStringLiteral("ratio"), QStringLiteral("target"));
    std::printf("|%s|%s|%s|%s|%s|\n", QByteArray(36, '-').constData(), QByteArray(14, '-').constData(),
                QByteArray(12, '-').constData(), QByteArray(11, '-').constData(), QByteArray(24, '-').constData());
    printTransferRows("download, MB/s of the data phase", "download, CPU s per GiB", download, kDownloadTarget);
    printTransferRows("upload, MB/s of the data phase", "upload, CPU s per GiB", upload, kUploadTarget,
                      kUploadCpuTarget);
    const bool flat = rss[0] > 0 && rss[1] > 0;
    for (int i = 0; i < 2; ++i) {
        const QString what = QStringLiteral("peak RSS, %1 MiB download, MB").arg(rssSizes[i]);
        printRow(qPrintable(what), rssText(rss[i]), QString(), QString(),
                 QStringLiteral("< %1 MB: %2").arg(kRssTargetMB).arg(QLatin1String(
                     verdict(rss[i] > 0 && double(rss[i]) * 1024 / 1e6 < kRssTargetMB))));
    }
    const double growthMB = double(rss[1] - rss[0]) * 1024 / 1e6;
    printRow("peak RSS, 1 GiB less 64 MiB, MB", flat ? number(growthMB, 1) : QStringLiteral("-"), QString(), QString(),
             QStringLiteral("does not grow: %1").arg(QLatin1String(verdict(flat && growthMB < kRssGrowthToleranceMB))));
    printPickRows("NLST", nlstHalf, nlstFull);
    printPickRows("LIST", listHalf, listFull);
    for (const QString& problem : download.problems + upload.problems)
        std::printf("  not counted: %s\n", qPrintable(problem));
    std::printf("  MB = 10^6 bytes. Data phase: data connection accepted to last byte in (download), or to the\n"
                "  server's reply after the last byte (upload); curl: time_total - time_pretransfer. CPU: the\n"
                "  program's process over the data phase; curl's child less its cost for a 1-byte file.\n");
    return 0;
}
