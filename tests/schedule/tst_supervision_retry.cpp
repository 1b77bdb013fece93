// Supervision and retries against a scripted peer, each job started by its
// schedule tick, which returns once the job and every restart have ended: a
// stalled session is ended, reported as a timeout and restarted as often as
// the retries field allows; a reset data connection restarts the job at the
// failed file, then passes over it. Every file that passes arrives whole, and
// only a confirmed file is ever deleted, on either side.
#include "support/FaultChecks.h"

#include <QtTest>

namespace {

using Transfer = ScriptedFtpPeer::Transfer;

// The supervision counts ticks, not seconds: a smaller scale only makes its
// ten ticks pass sooner.
constexpr double kSupervisionTimeScale = 0.005;
// Larger than what an upload sends in one trip through the event loop (the
// peer runs in the same loop) and than one read, so a reset comes while the
// file is going out.
constexpr int kFileBytes = 300'000;

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

}

class SupervisionRetryTest : public QObject {
    Q_OBJECT

private slots:
    void stalledSessionTimesOut_data();
    void stalledSessionTimesOut();
    void resetRetries_data();
    void resetRetries();
    void retryResumesBeyond16BitPositions();
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
    PeerJob s(download, kSupervisionTimeScale);
    s.job.setRetries(QString::number(retries));
    Timer& supervision = download ? s.p.Timer3 : s.p.Timer4;
    const QString errorLog = s.job.errorLog();
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
    connect(&supervision, &Timer::Tick, &supervision, [&] {
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
    QCOMPARE(s.job.scheduleDisplay(), QStringLiteral("9AMTimeout"));
    QVERIFY(!s.p.session.recoveryInProgress);
    QCOMPARE(s.p.caption, QStringLiteral("Tolvane - Idle"));
}

void SupervisionRetryTest::resetRetries_data()
{
    QTest::addColumn<bool>("download");
    QTest::addColumn<int>("files");
    QTest::addColumn<bool>("nlst");
    QTest::addColumn<QString>("retries");
    QTest::addColumn<QList<int>>("resets");
    QTest::addColumn<bool>("replyFirst");
    QTest::addColumn<bool>("deleteAfter");
    QTest::addColumn<QStringList>("transferred");
    QTest::addColumn<QStringList>("failed");
    QTest::addColumn<int>("sessions");
    const QStringList five = names(QStringLiteral("a"), 5);
    const QStringList thirdTwice { "a1.dat", "a2.dat", "a3.dat", "a3.dat", "a4.dat", "a5.dat" };
    QTest::newRow("download, one reset: the third file is fetched again")
        << true << 5 << true << "1" << QList<int> { 3 } << false << false << thirdTwice << QStringList() << 2;
    QTest::newRow("download, 426 before the reset: the third file is still fetched again")
        << true << 5 << true << "1" << QList<int> { 3 } << true << false << thirdTwice << QStringList() << 2;
    QTest::newRow("download, two resets: the third fails, the job goes on with the fourth")
        << true << 5 << true << "1" << QList<int> { 3, 4 } << false << false << thirdTwice << QStringList { "a3.dat" }
        << 3;
    QTest::newRow("delete after download: the restart finds the third file though those before are gone")
        << true << 5 << true << "1" << QList<int> { 3, 4 } << false << true << thirdTwice << QStringList { "a3.dat" }
        << 3;
    QTest::newRow("LIST: the give-up resumes at the entry after the failed file")
        << true << 5 << false << "1" << QList<int> { 3, 4 } << false << false << thirdTwice << QStringList { "a3.dat" }
        << 3;
    const QStringList lastTwice { "a1.dat", "a2.dat", "a3.dat", "a3.dat" };
    QTest::newRow("two resets on the last NLST entry: the job stops")
        << true << 3 << true << "1" << QList<int> { 3, 4 } << false << false << lastTwice << QStringList { "a3.dat" }
        << 2;
    QTest::newRow("two resets on the last LIST entry: the job stops")
        << true << 3 << false << "1" << QList<int> { 3, 4 } << false << false << lastTwice << QStringList { "a3.dat" }
        << 2;
    QTest::newRow("download, retries 0: no retry, the job goes on")
        << true << 5 << true << "0" << QList<int> { 3 } << false << false << five << QStringList { "a3.dat" } << 1;

    // Seven local files under "Delete After UpLoad": a stored file leaves the
    // working folder only once the server has confirmed it.
    const QStringList fifthTwice { "u1.dat", "u2.dat", "u3.dat", "u4.dat", "u5.dat", "u5.dat", "u6.dat", "u7.dat" };
    QTest::newRow("upload, one reset: the fifth file is stored again")
        << false << 7 << true << "1" << QList<int> { 5 } << false << true << fifthTwice << QStringList() << 2;
    QTest::newRow("upload, 426 before the reset: the fifth file is still stored again")
        << false << 7 << true << "1" << QList<int> { 5 } << true << true << fifthTwice << QStringList() << 2;
    QTest::newRow("upload, two resets: the fifth fails, the job goes on with the sixth")
        << false << 7 << true << "1" << QList<int> { 5, 6 } << false << true << fifthTwice << QStringList { "u5.dat" }
        << 3;
    QTest::newRow("upload, retries 0: no retry, the job goes on")
        << false << 7 << true << "0" << QList<int> { 5 } << false << true << names(QStringLiteral("u"), 7)
        << QStringList { "u5.dat" } << 1;
}

void SupervisionRetryTest::resetRetries()
{
    QFETCH(bool, download);
    QFETCH(int, files);
    QFETCH(bool, nlst);
    QFETCH(QString, retries);
    QFETCH(QList<int>, resets);
    QFETCH(bool, replyFirst);
    QFETCH(bool, deleteAfter);
    QFETCH(QStringList, transferred);
    QFETCH(QStringList, failed);
    QFETCH(int, sessions);
    PeerJob s(download);
    s.job.setRetries(retries);
    s.p.options.ai_nlst = nlst;
    s.p.options.deleteAfterDownload = download && deleteAfter;
    s.p.options.deleteAfterUpload = !download && deleteAfter;
    s.p.options.deleteAfterDownload = download && deleteAfter;
    s.p.options.deleteAfterUpload = !download && deleteAfter;
    const QStringList all = names(download ? QStringLiteral("a") : QStringLiteral("u"), files);
    for (const QString& name : all)
        s.putFile(name.toLatin1(), faultBytes(name.toLatin1(), kFileBytes));
    const QString verb = download ? QStringLiteral("RETR") : QStringLiteral("STOR");
    resetTransfers(s.peer, verb.toLatin1(), resets, replyFirst);

    s.runFromSchedule();

    // Whatever else went wrong, a file gone from either side arrived whole.
    s.verifyDeletes();
    QCOMPARE(arguments(s.peer.transcript(), verb), transferred);
    QCOMPARE(s.peer.connectionCount(), sessions);
    QStringList expectedOutcomes;
    for (const QString& name : all) {
        const bool passes = !failed.contains(name);
        const bool gone = deleteAfter && passes;
        const QByteArray bytes = faultBytes(name.toLatin1(), kFileBytes);
        expectedOutcomes << name + (passes ? QStringLiteral(" pass") : QStringLiteral(" fail"));
        if (download) {
            QCOMPARE(s.localFile(name.toLatin1()), passes ? bytes : QByteArray("<missing>"));
            QCOMPARE(s.peer.hasFile(name.toLatin1()), !gone);
        } else {
            QCOMPARE(s.localFile(name.toLatin1()), gone ? QByteArray("<missing>") : bytes);
            if (passes)
                QCOMPARE(s.peer.file(name.toLatin1()), bytes);
        }
    }
    QCOMPARE(s.outcomes(), expectedOutcomes);
    QVERIFY(!s.p.session.recoveryInProgress);
    QVERIFY(!(download ? s.p.schedule.downloadJobRunning : s.p.schedule.uploadJobRunning));
}

// The file that fails stands more than 32767 characters into the NLST
// listing, after names already downloaded (skipped at no cost) and a file the
// server refused. A resume position cut to 16 bits would come out negative,
// start the retry from the top and fetch the refused file again.
void SupervisionRetryTest::retryResumesBeyond16BitPositions()
{
    PeerJob s(true);
    s.job.setRetries(QStringLiteral("1"));
    constexpr int kDownloadedNames = 2000;
    QByteArray record;
    for (int i = 0; i < kDownloadedNames; ++i) {
        const QByteArray name = "downloaded-" + QByteArray::number(i).rightJustified(6, '0') + ".dat";
        s.peer.putFile(name, "old");
        record += name + "\r\n";
    }
    QVERIFY(writeFileBytes(s.job.put.logFile(QStringLiteral("filename2.log")), record));
    s.p.transfer.downloadedNames.load();
    for (const QByteArray& name : { QByteArray("a0.dat"), QByteArray("z1.dat"), QByteArray("z2.dat") })
        s.putFile(name, faultBytes(name, kFileBytes));
    Transfer refused;
    refused.preliminary = "550 Permission denied.\r\n";
    refused.fault = ScriptedFtpPeer::DataFault::NeverConnect;
    s.peer.planTransfer("RETR", refused);
    resetTransfers(s.peer, "RETR", { 1 });

    s.runFromSchedule();

    QCOMPARE(arguments(s.peer.transcript(), QStringLiteral("RETR")),
             QStringList({ "a0.dat", "z1.dat", "z1.dat", "z2.dat" }));
    QVERIFY(s.p.schedule.downloadResumePosition > 32767);
    QCOMPARE(s.localFile("z1.dat"), faultBytes("z1.dat", kFileBytes));
}

QTEST_MAIN(SupervisionRetryTest)
#include "tst_supervision_retry.moc"
