// Faults on the program's own side, against a scripted peer: the working
// folder missing or removed during a job, a folder holding a file's name, the
// local disk full under "Delete After DownLoad", a local file that grows or
// vanishes while it is uploaded, and the clock jumping during a job. The
// server's copy stays unless the file arrived whole; a local file stays
// unless the server holds what it holds now.
#include "support/PeerJob.h"

#include <QDir>
#include <QtTest>

#include <sys/mount.h>
#include <unistd.h>

namespace {

using SetUp = std::function<void(PeerJob&)>;

const QStringList kBothFail { "a.dat fail", "b.dat fail" };
const QStringList kBothPass { "a.dat pass", "b.dat pass" };

// Runs the action whenever the peer receives this command line, or, for "", once
// the first chunk of an upload has gone out: the file is open and being sent.
SetUp on(const QString& line, const SetUp& action)
{
    return [line, action](PeerJob& r) {
        if (line.isEmpty())
            QObject::connect(&r.p.ftpclient3, &Winsock::SendComplete, &r.peer, [&r, action] { action(r); },
                             Qt::SingleShotConnection);
        QObject::connect(&r.peer, &ScriptedFtpPeer::commandReceived, &r.peer, [&r, line, action](const QString& got) {
            if (got == line)
                action(r);
        });
    };
}

// A local file removed by someone else during the job: no longer the
// program's to keep.
SetUp removeByHand(const QByteArray& name)
{
    return [name](PeerJob& r) {
        QFile::remove(r.job.put.workFile(QString::fromLatin1(name)));
        r.files.remove(name);
    };
}

JobCase upload(const char* name, const SetUp& setUp, const QStringList& outcomes)
{
    return { .name = name, .download = false, .setUp = setUp, .outcomes = outcomes };
}

// Each file takes the date of the moment its RETR went out.
JobCase clockJump(const char* name, const QDateTime& start, const QDateTime& jumpTo)
{
    return { .name = name, .now = start,
             .setUp = [start, jumpTo](PeerJob& r) {
                 r.p.options.ai_dstamp = true;
                 r.arrivedAs = [=](const QByteArray& file) {
                     return (file == "a.dat" ? start : jumpTo).date().toString("yyyyMMdd_").toLatin1() + file;
                 };
                 on("RETR a.dat", [jumpTo](PeerJob& j) { j.p.clock.set(jumpTo); })(r);
             },
             .outcomes = kBothPass };
}

}

class LocalFaultsTest : public QObject {
    Q_OBJECT
private slots:
    void localSideFails_data();
    void localSideFails() { QFETCH(JobCase, row); runJobCase(row); }
    void diskFullKeepsTheRemoteFile();
};

void LocalFaultsTest::localSideFails_data()
{
    addRows<JobCase>({
        { .name = "download: the working folder missing from the start",
          .setUp = [](PeerJob& r) { r.p.workPath = r.job.put.folder.file("unmounted"); }, .outcomes = kBothFail },
        { .name = "download: the working folder removed in the middle of a file",
          .setUp = on("RETR a.dat", [](PeerJob& r) { QDir(r.p.workPath).removeRecursively(); }), .outcomes = kBothFail },
        { .name = "download: a folder holds the file's local name",
          .setUp = [](PeerJob& r) { QDir(r.p.workPath).mkdir("a.dat"); }, .outcomes = kFirstFails },
        upload("upload: a file grows while it is sent", on("", [](PeerJob& r) {
                   QVERIFY(writeFileBytes(r.job.put.workFile("a.dat"), r.files["a.dat"] += "written while it went out"));
               }), kFirstFails),
        // Every byte went out from the open file: the server holds it all.
        upload("upload: a file vanishes while it is sent",
               on("", [](PeerJob& r) { QFile::remove(r.job.put.workFile("a.dat")); }), kBothPass),
        upload("upload: a file vanishes before its turn", on("STOR a.dat", removeByHand("b.dat")),
               { "a.dat pass", "b.dat fail" }),
        upload("upload: a file vanishes as its STOR goes out", on("STOR a.dat", removeByHand("a.dat")), kFirstFails),
        clockJump("the clock jumps across midnight", QDateTime(QDate(2024, 3, 5), QTime(23, 59, 50)),
                  QDateTime(QDate(2024, 3, 6), QTime(0, 0, 1))),
        clockJump("the clock jumps back an hour", QDateTime(QDate(2024, 3, 5), QTime(9, 0, 30)),
                  QDateTime(QDate(2024, 3, 5), QTime(8, 0, 30))),
    });
}

// The first file fills a small tmpfs of its own through its partner file.
void LocalFaultsTest::diskFullKeepsTheRemoteFile()
{
    PeerJob run({ .files = { { "a.dat", faultBytes("a.dat", 300'000) }, { "b.dat", faultBytes("b.dat", 3000) } },
                  .outcomes = kFirstFails });
    const QByteArray disk = QFile::encodeName(run.p.workPath);
    if (::geteuid() != 0 || ::mount("tmpfs", disk.constData(), "tmpfs", 0, "size=128k") != 0)
        QSKIP("a small tmpfs needs root and the right to mount");
    const std::shared_ptr<void> unmount(nullptr, [&disk](void*) { ::umount2(disk.constData(), MNT_DETACH); });

    run.run();

    run.verify();
}

QTEST_MAIN(LocalFaultsTest)
#include "tst_local_faults.moc"
