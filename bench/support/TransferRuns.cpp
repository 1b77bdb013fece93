#include "support/TransferRuns.h"

#include "support/Measure.h"
#include "support/EngineUnderTest.h"
#include "support/RealFtpServer.h"

#include "platform/Winsock.h"
#include "schedule/JobRun.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <optional>
#include <unistd.h>

namespace {

constexpr int kFixedCostRuns = 3;
const QString kTinyName = QStringLiteral("tiny.dat");

SiteLogin loginFor(const RealFtpServer& server, const QString& remoteName)
{
    return { server.host(), server.port(), server.user(), server.password(), QStringLiteral("/"), remoteName };
}

QString serverFile(const RealFtpServer& server, const QString& name)
{
    return QDir(server.rootPath()).filePath(name);
}

// The data phase of one transfer inside this process. The data connection is
// accepted for the listing too, so the phase starts at the acceptance that
// comes last before the file's first bytes move.
struct PhaseWatch {
    Moment accepted;
    std::optional<Moment> start;
    std::optional<Moment> end;

    void markStart()
    {
        if (!start)
            start = accepted;
    }
    void markEnd()
    {
        if (start && !end)
            end = momentNow();
    }
    TransferFigures figures(bool byteEqual) const
    {
        TransferFigures f;
        if (!start || !end) {
            f.problem = QStringLiteral("the data phase never ended");
            return f;
        }
        f.dataSeconds = end->wallSeconds - start->wallSeconds;
        f.cpuSeconds = end->cpuSeconds - start->cpuSeconds;
        f.valid = byteEqual;
        if (!byteEqual)
            f.problem = QStringLiteral("the file did not arrive byte-equal");
        return f;
    }
};

// A hard link costs no copy and no disk; a copy where links are refused.
bool placeFile(const QString& source, const QString& destination)
{
    QFile::remove(destination);
    return ::link(QFile::encodeName(source).constData(), QFile::encodeName(destination).constData()) == 0
        || QFile::copy(source, destination);
}

QStringList curlArguments(const QStringList& specific)
{
    // -w prints curl's own timing of the transfer on standard output.
    return QStringList { QStringLiteral("--silent"), QStringLiteral("--show-error"), QStringLiteral("--ftp-port"),
                         QStringLiteral("-"), QStringLiteral("--disable-eprt"), QStringLiteral("--write-out"),
                         QStringLiteral("%{time_pretransfer} %{time_total}") }
        + specific;
}

TransferFigures curlRun(const QStringList& specific, const QString& scratchFolder, double fixedCpuSeconds,
                        const QString& sent, const QString& arrived)
{
    const QString timing = QDir(scratchFolder).filePath(QStringLiteral("curl-timing.txt"));
    const ChildRun run = runChild(QStringLiteral("curl"), curlArguments(specific), timing);
    TransferFigures f;
    if (run.exitCode != 0) {
        f.problem = QStringLiteral("curl failed (exit code %1)").arg(run.exitCode);
        return f;
    }
    QFile timingFile(timing);
    const QList<QByteArray> times = timingFile.open(QIODevice::ReadOnly) ? timingFile.readAll().trimmed().split(' ')
                                                                        : QList<QByteArray> {};
    if (times.size() != 2) {
        f.problem = QStringLiteral("curl reported no timing");
        return f;
    }
    f.dataSeconds = times[1].toDouble() - times[0].toDouble();
    f.cpuSeconds = std::max(0.0, run.cpuSeconds - fixedCpuSeconds);
    f.valid = sameFileBytes(sent, arrived);
    if (!f.valid)
        f.problem = QStringLiteral("the file did not arrive byte-equal");
    return f;
}

double leastCurlCpu(const QStringList& specific, const QString& scratchFolder)
{
    const QString timing = QDir(scratchFolder).filePath(QStringLiteral("curl-timing.txt"));
    double least = 0;
    for (int i = 0; i < kFixedCostRuns; ++i) {
        const ChildRun run = runChild(QStringLiteral("curl"), curlArguments(specific), timing);
        if (run.exitCode == 0 && (i == 0 || run.cpuSeconds < least))
            least = run.cpuSeconds;
    }
    return least;
}

}

TransferFigures programDownload(const RealFtpServer& server, const QString& remoteName)
{
    EngineUnderTest put;
    Engine& p = put.engine;
    pointDownloadSite(p, loginFor(server, remoteName));
    PhaseWatch watch;
    QObject::connect(&p.ftpclient2, &Winsock::ConnectionRequest, &p.ftpclient2, [&] { watch.accepted = momentNow(); });
    // The listing arrives on the same socket, before the file's bytes.
    QObject::connect(&p.ftpclient2, &Winsock::DataArrival, &p.ftpclient2, [&] {
        if (!p.session.downloadDataIsFile)
            return;
        watch.markStart();
        watch.end = momentNow();
    });
    runDownloadJob(p);
    const QString local = put.workFile(remoteName);
    const TransferFigures figures = watch.figures(sameFileBytes(serverFile(server, remoteName), local));
    QFile::remove(local);
    return figures;
}

TransferFigures programUpload(const RealFtpServer& server, const QString& sourcePath, const QString& remoteName)
{
    EngineUnderTest put;
    Engine& p = put.engine;
    TransferFigures figures;
    const QString local = put.workFile(remoteName);
    if (!placeFile(sourcePath, local)) {
        figures.problem = QStringLiteral("cannot place the file in the working folder");
        return figures;
    }
    pointUploadSite(p, loginFor(server, remoteName));
    PhaseWatch watch;
    QObject::connect(&p.ftpclient3, &Winsock::ConnectionRequest, &p.ftpclient3, [&] { watch.accepted = momentNow(); });
    QObject::connect(&p.ftpclient3, &Winsock::SendProgress, &p.ftpclient3, [&] { watch.markStart(); });
    // The data connection is closed once the whole file went out; the
    // server's reply after that ends the phase, as it ends curl's.
    QObject::connect(&p.ftpclient1a, &Winsock::DataArrival, &p.ftpclient1a, [&] {
        if (p.ftpclient3.State() == Winsock::sckClosed)
            watch.markEnd();
    });
    runUploadJob(p);
    const QString stored = serverFile(server, remoteName);
    figures = watch.figures(sameFileBytes(sourcePath, stored));
    QFile::remove(stored);
    QFile::remove(local);
    return figures;
}

TransferFigures curlDownload(const RealFtpServer& server, const QString& remoteName, const QString& scratchFolder,
                             double fixedCpuSeconds)
{
    const QString local = QDir(scratchFolder).filePath(QStringLiteral("curl-") + remoteName);
    const TransferFigures figures = curlRun({ QStringLiteral("--output"), local, server.url(QLatin1Char('/') + remoteName) },
                                            scratchFolder, fixedCpuSeconds, serverFile(server, remoteName), local);
    QFile::remove(local);
    return figures;
}

TransferFigures curlUpload(const RealFtpServer& server, const QString& sourcePath, const QString& remoteName,
                           const QString& scratchFolder, double fixedCpuSeconds)
{
    const QString stored = serverFile(server, remoteName);
    const TransferFigures figures = curlRun({ QStringLiteral("--upload-file"), sourcePath,
                                              server.url(QLatin1Char('/') + remoteName) },
                                            scratchFolder, fixedCpuSeconds, sourcePath, stored);
    QFile::remove(stored);
    return figures;
}

CurlFixedCost curlFixedCost(const RealFtpServer& server, const QString& scratchFolder)
{
    server.putFile(kTinyName.toLatin1(), QByteArray(1, 'x'));
    const QString tinyLocal = QDir(scratchFolder).filePath(kTinyName);
    CurlFixedCost cost;
    cost.downloadCpuSeconds = leastCurlCpu({ QStringLiteral("--output"), tinyLocal,
                                             server.url(QLatin1Char('/') + kTinyName) }, scratchFolder);
    cost.uploadCpuSeconds = leastCurlCpu({ QStringLiteral("--upload-file"), tinyLocal,
                                           server.url(QStringLiteral("/tiny-up.dat")) }, scratchFolder);
    QFile::remove(tinyLocal);
    QFile::remove(serverFile(server, QStringLiteral("tiny-up.dat")));
    return cost;
}

long downloadPeakRssKiB(const RealFtpServer& server, const QString& remoteName, const QString& scratchFolder)
{
    const QString work = QDir(scratchFolder).filePath(QStringLiteral("rss-work"));
    QDir().mkpath(work);
    const ChildRun run = runChild(QCoreApplication::applicationFilePath(),
                                  { QString::fromLatin1(kPeakRssChildFlag), QString::number(server.port()),
                                    server.user(), server.password(), remoteName, work },
                                  QDir(scratchFolder).filePath(QStringLiteral("rss-child.txt")));
    const QString local = QDir(work).filePath(remoteName);
    const bool arrived = run.exitCode == 0 && sameFileBytes(serverFile(server, remoteName), local);
    QFile::remove(local);
    return arrived ? run.peakRssKiB : -1;
}

int runPeakRssChild(int argc, char** argv)
{
    if (argc < 7)
        return 2;
    EngineUnderTest put;
    Engine& p = put.engine;
    p.workPath = QString::fromLocal8Bit(argv[6]);
    p.File2.setPath(p.workPath);
    pointDownloadSite(p, { QStringLiteral("127.0.0.1"), quint16(QByteArray(argv[2]).toUInt()),
                           QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[4]), QStringLiteral("/"),
                           QString::fromLocal8Bit(argv[5]) });
    runDownloadJob(p);
    return 0;
}
