// Faults on the program's own side, against a scripted peer: the working
// folder missing or removed during a job, a folder holding a file's name, the
// local disk full under "Delete After DownLoad", a local file that grows or
// vanishes while it is uploaded, and the clock jumping during a job. The
// server's copy stays unless the file arrived whole; a local file stays
// unless the server holds what it holds now.
#include "platform/ClockTexts.h"
#include "support/FaultChecks.h"
#include "support/FileBytes.h"

#include <QDir>
#include <QtTest>

#include <sys/mount.h>
#include <unistd.h>

namespace {

using Setup = std::function<void(PeerJob&)>;

constexpr int kFirstFileBytes = 40'000;
constexpr int kSecondFileBytes = 3'000;
// A disk too small for the first file: its partner file fills it.
constexpr int kDiskFullFileBytes = 300'000;
const char* const kSmallDiskOptions = "size=128k";

const QDateTime kBeforeMidnight(QDate(2024, 3, 5), QTime(23, 59, 50));
const QDateTime kAfterMidnight(QDate(2024, 3, 6), QTime(0, 0, 1));
const QDateTime kNineAm(QDate(2024, 3, 5), QTime(9, 0, 30));

// Runs the action once the peer receives this command line.
void onCommand(PeerJob& r, const QString& line, const std::function<void()>& action)
{
    QObject::connect(&r.peer, &ScriptedFtpPeer::commandReceived, &r.peer, [line, action](const QString& got) {
        if (got == line)
            action();
    });
}

// Runs the action once the first chunk of an upload has gone out: the file is
// open and being sent.
void onFirstChunkSent(PeerJob& r, const std::function<void()>& action)
{
    auto done = std::make_shared<bool>(false);
    QObject::connect(&r.p.ftpclient3, &Winsock::SendComplete, &r.peer, [done, action] {
        if (!std::exchange(*done, true))
            action();
    });
}

// A local file removed by someone else during the job: no longer the
// program's to keep.
void removeByHand(PeerJob& r, const QByteArray& name)
{
    QFile::remove(r.job.put.workFile(QString::fromLatin1(name)));
    r.files.remove(name);
}

void removeWorkingFolder(PeerJob& r)
{
    QDir(r.p.workPath).removeRecursively();
    if (!r.job.download)
        r.files.clear();  // gone by the operator's hand, not the program's
}

// The working folder on a small tmpfs of its own, unmounted with the run.
struct SmallDisk {
    QString path;
    bool mounted = false;
    explicit SmallDisk(const QString& folder) : path(folder)
    {
        mounted = ::geteuid() == 0
            && ::mount("tmpfs", QFile::encodeName(path).constData(), "tmpfs", 0, kSmallDiskOptions) == 0;
    }
    ~SmallDisk()
    {
        if (mounted)
            ::umount2(QFile::encodeName(path).constData(), MNT_DETACH);
    }
};

}

Q_DECLARE_METATYPE(Setup)

class LocalFaultsTest : public QObject {
    Q_OBJECT
private slots:
    void localSideFails_data();
    void localSideFails();
    void diskFullKeepsTheRemoteFile();
    void clockJumpsDuringAJob_data();
    void clockJumpsDuringAJob();
};

void LocalFaultsTest::localSideFails_data()
{
    QTest::addColumn<bool>("download");
    QTest::addColumn<Setup>("fault");
    QTest::addColumn<QStringList>("outcomes");
    QTest::addColumn<QString>("logged");
    const QStringList bothFail { "a.dat fail", "b.dat fail" };
    const QStringList firstFails { "a.dat fail", "b.dat pass" };
    const QString aFailed = QStringLiteral("a\\.dat .* fail$");

    QTest::newRow("download: the working folder missing from the start")
        << true << Setup([](PeerJob& r) { r.p.workPath = r.job.put.folder.file(QStringLiteral("unmounted")); })
        << bothFail << aFailed;
    QTest::newRow("download: the working folder removed in the middle of a file")
        << true << Setup([](PeerJob& r) { onCommand(r, "RETR a.dat", [&r] { removeWorkingFolder(r); }); })
        << bothFail << aFailed;
    QTest::newRow("download: a folder holds the file's local name")
        << true << Setup([](PeerJob& r) { QDir(r.p.workPath).mkdir(QStringLiteral("a.dat")); }) << firstFails
        << aFailed;
    QTest::newRow("upload: the working folder removed before the first file")
        << false << Setup([](PeerJob& r) { onCommand(r, "TYPE I", [&r] { removeWorkingFolder(r); }); })
        << bothFail << aFailed;
    QTest::newRow("upload: a file grows while it is sent")
        << false
        << Setup([](PeerJob& r) {
               onFirstChunkSent(r, [&r] {
                   r.files["a.dat"] += "written while the file went out";
                   QFile file(r.job.put.workFile(QStringLiteral("a.dat")));
                   QVERIFY(file.open(QIODevice::Append));
                   file.write("written while the file went out");
               });
           })
        << firstFails << aFailed;
    QTest::newRow("upload: a file vanishes while it is sent")
        << false
        << Setup([](PeerJob& r) {
               onFirstChunkSent(r, [&r] { removeByHand(r, "a.dat"); });
           })
        << QStringList { "a.dat pass", "b.dat pass" } << "a\\.dat 40000 pass$";
    QTest::newRow("upload: a file vanishes before its turn")
        << false
        << Setup([](PeerJob& r) {
               onCommand(r, "STOR a.dat", [&r] { removeByHand(r, "b.dat"); });
           })
        << QStringList { "a.dat pass", "b.dat fail" } << "b\\.dat 0 fail$";
    QTest::newRow("upload: a file vanishes as its STOR goes out")
        << false
        << Setup([](PeerJob& r) {
               onCommand(r, "STOR a.dat", [&r] { removeByHand(r, "a.dat"); });
           })
        << QStringList { "a.dat fail", "b.dat pass" } << "a\\.dat 0 fail$";
}

void LocalFaultsTest::localSideFails()
{
    QFETCH(bool, download);
    QFETCH(Setup, fault);
    QFETCH(QStringList, outcomes);
    QFETCH(QString, logged);
    PeerJob run(download);
    run.p.options.deleteAfterDownload = run.p.options.deleteAfterUpload = true;
    run.putFile("a.dat", faultBytes("a.dat", kFirstFileBytes));
    run.putFile("b.dat", faultBytes("b.dat", kSecondFileBytes));
    fault(run);

    run.run();

    run.verifyPromises(QRegularExpression(logged));
    QCOMPARE(run.outcomes(), outcomes);
}

void LocalFaultsTest::diskFullKeepsTheRemoteFile()
{
    PeerJob run(true);
    SmallDisk disk(run.p.workPath);
    if (!disk.mounted)
        QSKIP("a small tmpfs needs root and the right to mount");
    run.p.options.deleteAfterDownload = true;
    run.putFile("a.dat", faultBytes("a.dat", kDiskFullFileBytes));
    run.putFile("b.dat", faultBytes("b.dat", kSecondFileBytes));

    run.run();

    run.verifyPromises(QRegularExpression(QStringLiteral("a\\.dat .* fail$")));
    QCOMPARE(run.outcomes(), QStringList({ "a.dat fail", "b.dat pass" }));
    QCOMPARE(folderEntries(run.p.workPath), QStringList { "b.dat" });
}

void LocalFaultsTest::clockJumpsDuringAJob_data()
{
    QTest::addColumn<QDateTime>("start");
    QTest::addColumn<QDateTime>("jumpTo");
    QTest::addColumn<QString>("secondFileDate");
    QTest::newRow("across midnight") << kBeforeMidnight << kAfterMidnight << "20240306";
    QTest::newRow("back an hour") << kNineAm << kNineAm.addSecs(-3600) << "20240305";
}

// Each file takes the date of the moment its RETR went out.
void LocalFaultsTest::clockJumpsDuringAJob()
{
    QFETCH(QDateTime, start);
    QFETCH(QDateTime, jumpTo);
    QFETCH(QString, secondFileDate);
    PeerJob run(true, EngineUnderTest::kDefaultTimeScale, start);
    run.p.options.deleteAfterDownload = true;
    run.p.options.ai_dstamp = true;
    run.putFile("a.dat", faultBytes("a.dat", kFirstFileBytes));
    run.putFile("b.dat", faultBytes("b.dat", kSecondFileBytes));
    onCommand(run, "RETR a.dat", [&run, jumpTo] { run.p.clock.set(jumpTo); });
    run.localName = [secondFileDate](const QByteArray& name) {
        return (name == "a.dat" ? QStringLiteral("20240305_") : secondFileDate + QLatin1Char('_'))
            + QString::fromLatin1(name);
    };

    run.run();

    run.verifyPromises(QRegularExpression(QStringLiteral("^%1 .* b\\.dat 3000 pass$")
                                              .arg(QRegularExpression::escape(dateWithSlashes(jumpTo.date())))));
    QCOMPARE(run.outcomes(), QStringList({ "a.dat pass", "b.dat pass" }));
    QVERIFY(run.peer.fileNames().isEmpty());
}

QTEST_MAIN(LocalFaultsTest)
#include "tst_local_faults.moc"
