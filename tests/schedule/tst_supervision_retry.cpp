// Supervision and retries against a scripted peer, each job started by its
// schedule tick, which returns once the job and every restart have ended: a
// stalled session is ended, reported as a timeout and restarted as often as
// the retries field allows; a reset data connection restarts the job at the
// failed file, then passes over it. Every file that passes arrives whole, and
// only a confirmed file is ever deleted, on either side.
#include "schedule/ScheduleTick.h"
#include "support/FaultChecks.h"
#include "support/FileBytes.h"
#include "support/ProgramUnderTest.h"
#include "support/ScriptedFtpPeer.h"

#include <QFile>
#include <QtTest>

namespace {

using Transfer = ScriptedFtpPeer::Transfer;

// The supervision counts ticks, not seconds: a smaller scale only makes its
// ten ticks pass sooner.
constexpr double kSupervisionTimeScale = 0.005;
const QDateTime kNineAm(QDate(2024, 3, 5), QTime(9, 0, 30));

QByteArray contentOf(const QString& name, int size)
{
    QByteArray bytes;
    for (int i = 0; bytes.size() < size; ++i)
        bytes += name.toLatin1() + char(i % 256) + QByteArray("\r\n\n\0\xff", 5);
    return bytes.left(size);
}

QStringList names(const QString& stem, int count)
{
    QStringList list;
    for (int i = 1; i <= count; ++i)
        list << QStringLiteral("%1%2.dat").arg(stem).arg(i);
    return list;
}

// The argument of each command with this verb, in order.
QStringList arguments(const QStringList& transcript, const QString& verb)
{
    QStringList list;
    for (const QString& line : transcript) {
        if (line.startsWith(verb + QLatin1Char(' ')))
            list << line.mid(verb.size() + 1);
    }
    return list;
}

// Plans the next transfers of one verb: those whose ordinal (from 1, counted
// after any plan already queued) is listed are reset halfway, with the "426"
// before or after the reset; the others go as usual.
void resetTransfers(ScriptedFtpPeer& peer, const QByteArray& verb, const QList<int>& ordinals,
                    bool replyFirst = false)
{
    const int last = ordinals.isEmpty() ? 0 : *std::max_element(ordinals.begin(), ordinals.end());
    for (int i = 1; i <= last; ++i) {
        Transfer plan;
        if (ordinals.contains(i))
            plan.fault = replyFirst ? ScriptedFtpPeer::DataFault::FinalThenReset : ScriptedFtpPeer::DataFault::ResetHalfway;
        peer.planTransfer(verb, plan);
    }
}

// Site 1 of one job points at the peer and is due at 9 AM; the clock says 9 AM.
struct Scheduled {
    ScriptedFtpPeer peer;
    ProgramUnderTest put;
    Program& p = put.program;
    bool download;

    Scheduled(bool isDownload, double timeScale = ProgramUnderTest::kDefaultTimeScale)
        : put(timeScale), download(isDownload)
    {
        const SiteLogin login { peer.host(), peer.port(), QStringLiteral("u"), QStringLiteral("pw"),
                                QStringLiteral("/"), download ? QString() : QStringLiteral("*.dat") };
        (download ? pointDownloadSite : pointUploadSite)(p, login);
        SiteColumns site = download ? downloadSiteColumns(p.sites) : uploadSiteColumns(p.sites);
        site.hours[1] = QStringLiteral("9");
        site.amPm[1] = QStringLiteral("AM");
        site.activeFlags[1] = QStringLiteral("1");
        p.clock.set(kNineAm);
    }

    void setRetries(const QString& retries) { (download ? p.form.Text11 : p.form.Text12)->setText(retries); }

    // Runs the job from its schedule tick; the tick returns once the job and
    // its restarts have ended.
    void runFromSchedule() { (download ? downloadScheduleTick : uploadScheduleTick)(p); }
};

}

class SupervisionRetryTest : public QObject {
    Q_OBJECT

private slots:
    void stalledSessionTimesOut_data();
    void stalledSessionTimesOut();
    void downloadResetRetries_data();
    void downloadResetRetries();
    void retryResumesBeyond16BitPositions();
    void uploadResetRetries_data();
    void uploadResetRetries();
};

void SupervisionRetryTest::stalledSessionTimesOut_data()
{
    QTest::addColumn<bool>("download");
    QTest::addColumn<QByteArray>("stallAt");
    QTest::addColumn<int>("retries");
    QTest::newRow("download stalls mid-listing, two retries") << true << QByteArray("NLST") << 2;
    QTest::newRow("upload stalls while logging in, one retry") << false << QByteArray("PASS") << 1;
}

// Every session stalls at the same command. Each is ended on the eleventh
// supervision tick after it connected, reported as a timeout (never as a
// refused login), and restarted while retries remain; then the job gives up.
void SupervisionRetryTest::stalledSessionTimesOut()
{
    QFETCH(bool, download);
    QFETCH(QByteArray, stallAt);
    QFETCH(int, retries);
    Scheduled s(download, kSupervisionTimeScale);
    s.setRetries(QString::number(retries));
    Timer& supervision = download ? s.p.form.Timer3 : s.p.form.Timer4;
    const QString errorLog = s.put.logFile(download ? QStringLiteral("err_dload.log") : QStringLiteral("err_upload.log"));
    int ticks = 0;
    QList<int> ticksPerSession;
    // A restart comes only after the ended job has reported and wound down.
    QList<int> logLinesAtStart;
    connect(&s.peer, &ScriptedFtpPeer::commandReceived, &s.peer, [&](const QString& line) {
        if (!line.startsWith(QLatin1String("USER")))
            return;
        ticks = 0;
        logLinesAtStart << int(FaultChecks::errorMessages(errorLog).size());
        s.peer.stopAnsweringAt(stallAt);
    });
    // Connected after the program's own handler: a tick that leaves the timer
    // off is the one that ended the session.
    connect(&supervision, &Timer::Tick, &s.p.form, [&] {
        ++ticks;
        if (!supervision.Enabled())
            ticksPerSession << ticks;
    });

    s.runFromSchedule();

    QCOMPARE(s.peer.connectionCount(), retries + 1);
    QCOMPARE(ticksPerSession.size(), retries + 1);
    for (int count : std::as_const(ticksPerSession))
        QVERIFY2(count >= 10 && count <= 11, qPrintable(QString::number(count)));
    QList<int> oneLinePerEndedSession;
    for (int session = 0; session <= retries; ++session)
        oneLinePerEndedSession << session;
    QCOMPARE(logLinesAtStart, oneLinePerEndedSession);
    QStringList expected(retries + 1, QStringLiteral("Timeout Error"));
    expected << QStringLiteral("Unknown Error");
    QCOMPARE(FaultChecks::errorMessages(errorLog), expected);
    QCOMPARE((download ? s.p.form.Label11 : s.p.form.Label12)->text(), QStringLiteral("9AMTimeout"));
    QVERIFY(!s.p.session.recoveryInProgress);
    QCOMPARE(s.p.form.windowTitle(), QStringLiteral("Tolvane - Idle"));
}

void SupervisionRetryTest::downloadResetRetries_data()
{
    QTest::addColumn<int>("files");
    QTest::addColumn<bool>("nlst");
    QTest::addColumn<QString>("retries");
    QTest::addColumn<QList<int>>("resetRetrs");
    QTest::addColumn<bool>("replyFirst");
    QTest::addColumn<bool>("deleteAfter");
    QTest::addColumn<QStringList>("retrieved");
    QTest::addColumn<QStringList>("failed");
    QTest::addColumn<int>("sessions");
    const QStringList five = names(QStringLiteral("a"), 5);
    const QStringList thirdTwice { "a1.dat", "a2.dat", "a3.dat", "a3.dat", "a4.dat", "a5.dat" };
    QTest::newRow("one reset: the third file is fetched again")
        << 5 << true << "1" << QList<int> { 3 } << false << false << thirdTwice << QStringList() << 2;
    QTest::newRow("426 before the reset: the third file is still fetched again")
        << 5 << true << "1" << QList<int> { 3 } << true << false << thirdTwice << QStringList() << 2;
    QTest::newRow("two resets: the third fails, the job goes on with the fourth")
        << 5 << true << "1" << QList<int> { 3, 4 } << false << false << thirdTwice << QStringList { "a3.dat" } << 3;
    QTest::newRow("delete after download: the restart finds the third file though those before are gone")
        << 5 << true << "1" << QList<int> { 3, 4 } << false << true << thirdTwice << QStringList { "a3.dat" } << 3;
    QTest::newRow("LIST: the give-up resumes at the entry after the failed file")
        << 5 << false << "1" << QList<int> { 3, 4 } << false << false << thirdTwice << QStringList { "a3.dat" } << 3;
    const QStringList lastTwice { "a1.dat", "a2.dat", "a3.dat", "a3.dat" };
    QTest::newRow("two resets on the last NLST entry: the job stops")
        << 3 << true << "1" << QList<int> { 3, 4 } << false << false << lastTwice << QStringList { "a3.dat" } << 2;
    QTest::newRow("two resets on the last LIST entry: the job stops")
        << 3 << false << "1" << QList<int> { 3, 4 } << false << false << lastTwice << QStringList { "a3.dat" } << 2;
    QTest::newRow("retries 0: no retry, the job goes on")
        << 5 << true << "0" << QList<int> { 3 } << false << false << five << QStringList { "a3.dat" } << 1;
}

void SupervisionRetryTest::downloadResetRetries()
{
    QFETCH(int, files);
    QFETCH(bool, nlst);
    QFETCH(QString, retries);
    QFETCH(QList<int>, resetRetrs);
    QFETCH(bool, replyFirst);
    QFETCH(bool, deleteAfter);
    QFETCH(QStringList, retrieved);
    QFETCH(QStringList, failed);
    QFETCH(int, sessions);
    Scheduled s(true);
    s.setRetries(retries);
    s.p.form.ai_nlst->setChecked(nlst);
    s.p.form.ai_del->setChecked(deleteAfter);
    s.p.options.deleteAfterDownload = deleteAfter;
    const QStringList served = names(QStringLiteral("a"), files);
    for (const QString& name : served)
        s.peer.putFile(name.toLatin1(), contentOf(name, 6000));
    resetTransfers(s.peer, "RETR", resetRetrs, replyFirst);

    s.runFromSchedule();

    // Whatever else went wrong, a file gone from the server arrived whole.
    FileMap servedFiles;
    for (const QString& name : served)
        servedFiles.insert(name.toLatin1(), contentOf(name, 6000));
    FaultChecks::verifyDownloadDeletes(serverView(s.peer), servedFiles, s.put);
    // Known fault, left open: a restart resumes at a character position of the
    // previous listing, and the new listing no longer holds the files deleted
    // since, so it lands further on. Nothing is lost or deleted wrongly; the
    // files passed over are fetched by the next scheduled run.
    QEXPECT_FAIL("delete after download: the restart finds the third file though those before are gone",
                 "a restart resumes by listing position, not by name", Abort);
    QCOMPARE(arguments(s.peer.transcript(), QStringLiteral("RETR")), retrieved);
    QCOMPARE(s.peer.connectionCount(), sessions);
    QStringList expectedOutcomes;
    for (const QString& name : served) {
        const bool passes = !failed.contains(name);
        expectedOutcomes << name + (passes ? QStringLiteral(" pass") : QStringLiteral(" fail"));
        QCOMPARE(fileBytes(s.put.workFile(name)), passes ? contentOf(name, 6000) : QByteArray("<missing>"));
        QCOMPARE(s.peer.hasFile(name.toLatin1()), !(deleteAfter && passes));
    }
    QCOMPARE(FaultChecks::outcomesIn(s.put.logFile(QStringLiteral("dl_file_size.log"))), expectedOutcomes);
    QVERIFY(!s.p.session.recoveryInProgress);
    QVERIFY(!s.p.schedule.downloadJobRunning);
}

// The file that fails stands more than 32767 characters into the NLST
// listing, after names already downloaded (skipped at no cost) and a file the
// server refused. A resume position cut to 16 bits would come out negative,
// start the retry from the top and fetch the refused file again.
void SupervisionRetryTest::retryResumesBeyond16BitPositions()
{
    Scheduled s(true);
    s.setRetries(QStringLiteral("1"));
    constexpr int kDownloadedNames = 2000;
    QByteArray record;
    for (int i = 0; i < kDownloadedNames; ++i) {
        const QByteArray name = "downloaded-" + QByteArray::number(i).rightJustified(6, '0') + ".dat";
        s.peer.putFile(name, "old");
        record += name + "\r\n";
    }
    QVERIFY(writeFileBytes(s.put.logFile(QStringLiteral("filename2.log")), record));
    s.p.transfer.downloadedNames.load();
    for (const QByteArray& name : { QByteArray("a0.dat"), QByteArray("z1.dat"), QByteArray("z2.dat") })
        s.peer.putFile(name, contentOf(QString::fromLatin1(name), 6000));
    Transfer refused;
    refused.preliminary = "550 Permission denied.\r\n";
    refused.fault = ScriptedFtpPeer::DataFault::NeverConnect;
    s.peer.planTransfer("RETR", refused);
    resetTransfers(s.peer, "RETR", { 1 });

    s.runFromSchedule();

    QCOMPARE(arguments(s.peer.transcript(), QStringLiteral("RETR")),
             QStringList({ "a0.dat", "z1.dat", "z1.dat", "z2.dat" }));
    QVERIFY(s.p.schedule.downloadResumePosition > 32767);
    QCOMPARE(fileBytes(s.put.workFile(QStringLiteral("z1.dat"))), contentOf(QStringLiteral("z1.dat"), 6000));
}

void SupervisionRetryTest::uploadResetRetries_data()
{
    QTest::addColumn<QString>("retries");
    QTest::addColumn<QList<int>>("resetStors");
    QTest::addColumn<bool>("replyFirst");
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QStringList>("failed");
    QTest::addColumn<int>("sessions");
    const QStringList fifthTwice { "u1.dat", "u2.dat", "u3.dat", "u4.dat", "u5.dat", "u5.dat", "u6.dat", "u7.dat" };
    QTest::newRow("one reset: the fifth file is stored again")
        << "1" << QList<int> { 5 } << false << fifthTwice << QStringList() << 2;
    QTest::newRow("426 before the reset: the fifth file is still stored again")
        << "1" << QList<int> { 5 } << true << fifthTwice << QStringList() << 2;
    QTest::newRow("two resets: the fifth fails, the job goes on with the sixth")
        << "1" << QList<int> { 5, 6 } << false << fifthTwice << QStringList { "u5.dat" } << 3;
    QTest::newRow("retries 0: no retry, the job goes on")
        << "0" << QList<int> { 5 } << false << names(QStringLiteral("u"), 7) << QStringList { "u5.dat" } << 1;
}

// Seven local files under "Delete After UpLoad": a stored file leaves the
// working folder only once the server has confirmed it.
void SupervisionRetryTest::uploadResetRetries()
{
    QFETCH(QString, retries);
    QFETCH(QList<int>, resetStors);
    QFETCH(bool, replyFirst);
    QFETCH(QStringList, stored);
    QFETCH(QStringList, failed);
    QFETCH(int, sessions);
    Scheduled s(false);
    s.setRetries(retries);
    s.p.form.ai_del2->setChecked(true);
    s.p.options.deleteAfterUpload = true;
    const QStringList local = names(QStringLiteral("u"), 7);
    // Larger than one chunk, so the reset comes while the file is going out.
    constexpr int kFileBytes = 20'000;
    for (const QString& name : local)
        QVERIFY(writeFileBytes(s.put.workFile(name), contentOf(name, kFileBytes)));
    resetTransfers(s.peer, "STOR", resetStors, replyFirst);

    s.runFromSchedule();

    QCOMPARE(arguments(s.peer.transcript(), QStringLiteral("STOR")), stored);
    QCOMPARE(s.peer.connectionCount(), sessions);
    QStringList expectedOutcomes;
    for (const QString& name : local) {
        const bool passes = !failed.contains(name);
        expectedOutcomes << name + (passes ? QStringLiteral(" pass") : QStringLiteral(" fail"));
        QCOMPARE(QFile::exists(s.put.workFile(name)), !passes);
        if (passes)
            QCOMPARE(s.peer.file(name.toLatin1()), contentOf(name, kFileBytes));
    }
    QCOMPARE(FaultChecks::outcomesIn(s.put.logFile(QStringLiteral("fileupl.log"))), expectedOutcomes);
    QVERIFY(!s.p.session.recoveryInProgress);
    QVERIFY(!s.p.schedule.uploadJobRunning);
}

QTEST_MAIN(SupervisionRetryTest)
#include "tst_supervision_retry.moc"
