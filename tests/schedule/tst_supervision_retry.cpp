// Supervision and retries against a scripted peer, each job started by its
// schedule tick, which returns once the job and every restart have ended: a
// stalled session is ended, reported as a timeout and restarted as often as
// the retries field allows; a reset data connection restarts the job at the
// failed file, then passes over it. Every file that passes arrives whole, and
// only a confirmed file is ever deleted, on either side.
#include "support/PeerJob.h"

#include <QtTest>

using namespace PeerSteps;

namespace {

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

FileMap filesNamed(const QStringList& names)
{
    FileMap files;
    for (const QString& name : names)
        files.insert(name.toLatin1(), faultBytes(name.toLatin1(), kFileBytes));
    return files;
}

QStringList outcomes(const QStringList& names, const QStringList& failed)
{
    QStringList lines;
    for (const QString& name : names)
        lines << name + (failed.contains(name) ? " fail" : " pass");
    return lines;
}

// The transfers of the verb with these ordinals (counted over the sessions)
// reset half-way, the "426" before or after the reset.
QHash<QByteArray, PeerScript> resetsAt(bool download, const QList<int>& ordinals, bool replyFirst = false)
{
    const PeerStep aborted = "426 Connection closed; transfer aborted.";
    const PeerScript half = download ? PeerScript { "150", openData, sendHalf } : PeerScript { "150", openData, takeSome };
    QHash<QByteArray, PeerScript> scripts;
    for (int ordinal : ordinals)
        scripts.insert((download ? "RETR#" : "STOR#") + QByteArray::number(ordinal),
                       half + (replyFirst ? PeerScript { aborted, resetData } : PeerScript { resetData, aborted }));
    return scripts;
}

const QStringList kFive = names("a", 5);
const QStringList kThree = names("a", 3);
const QStringList kSeven = names("u", 7);
const QStringList kThirdTwice { "a1.dat", "a2.dat", "a3.dat", "a3.dat", "a4.dat", "a5.dat" };
const QStringList kLastTwice { "a1.dat", "a2.dat", "a3.dat", "a3.dat" };
const QStringList kFifthTwice { "u1.dat", "u2.dat", "u3.dat", "u4.dat", "u5.dat", "u5.dat", "u6.dat", "u7.dat" };

}

class SupervisionRetryTest : public QObject {
    Q_OBJECT
private slots:
    void stalledSessionTimesOut_data();
    void stalledSessionTimesOut();
    void resetRetries_data();
    void resetRetries() { QFETCH(JobCase, row); runJobCase(row); }
};

void SupervisionRetryTest::stalledSessionTimesOut_data()
{
    addRows<JobCase>({
        { .name = "download stalls mid-listing, two retries", .scripts = { { "NLST", { hush } } }, .retries = 2,
          .timeScale = kSupervisionTimeScale, .error = "Timeout Error", .sessions = 3 },
        { .name = "upload stalls while logging in, one retry", .download = false, .scripts = { { "PASS", { hush } } },
          .retries = 1, .timeScale = kSupervisionTimeScale, .error = "Timeout Error", .sessions = 2 },
    });
}

// Every session stalls at the same command. Each is ended on the eleventh
// supervision tick after it connected, reported as a timeout (never as a
// refused login), and restarted while retries remain; then the job gives up.
void SupervisionRetryTest::stalledSessionTimesOut()
{
    QFETCH(JobCase, row);
    PeerJob s(row);
    Timer& supervision = row.download ? s.p.Timer3 : s.p.Timer4;
    int ticks = 0;
    QList<int> ticksPerSession;
    // A restart comes only after the ended job has reported and wound down.
    QList<int> logLinesAtStart;
    QObject::connect(&s.peer, &ScriptedFtpPeer::commandReceived, [&](const QString& line) {
        if (line.startsWith("USER")) {
            ticks = 0;
            logLinesAtStart << int(FaultChecks::errorMessages(s.job.errorLog()).size());
        }
    });
    // Connected after the program's own handler: a tick that leaves the timer
    // off is the one that ended the session.
    QObject::connect(&supervision, &Timer::Tick, [&] {
        ++ticks;
        if (!supervision.Enabled())
            ticksPerSession << ticks;
    });

    s.run();

    s.verify();
    QCOMPARE(ticksPerSession.size(), row.sessions);
    for (int count : std::as_const(ticksPerSession))
        QVERIFY2(count >= 10 && count <= 11, qPrintable(QString::number(count)));
    QList<int> oneLinePerEndedSession;
    for (int session = 0; session < row.sessions; ++session)
        oneLinePerEndedSession << session;
    QCOMPARE(logLinesAtStart, oneLinePerEndedSession);
    QCOMPARE(FaultChecks::errorMessages(s.job.errorLog()),
             QStringList(row.sessions, "Timeout Error") + QStringList { "Unknown Error" });
    QCOMPARE(s.job.scheduleDisplay(), QStringLiteral("9AMTimeout"));
    QVERIFY(!s.p.session.recoveryInProgress);
}

void SupervisionRetryTest::resetRetries_data()
{
    // The file that fails stands more than 32767 characters into the NLST
    // listing, after names already downloaded (skipped at no cost) and a file
    // the server refused. A resume position cut to 16 bits would come out
    // negative, start the retry from the top and fetch the refused file again.
    const auto twoThousandFetchedBefore = [](PeerJob& r) {
        QByteArray record;
        for (int i = 0; i < 2000; ++i) {
            const QByteArray name = "downloaded-" + QByteArray::number(i).rightJustified(6, '0') + ".dat";
            r.peer.files.insert(name, "old");
            record += name + "\r\n";
        }
        QVERIFY(writeFileBytes(r.job.put.logFile("filename2.log"), record));
        r.p.transfer.downloadedNames.load();
    };
    QHash<QByteArray, PeerScript> refusedThenReset = resetsAt(true, { 2 });
    refusedThenReset.insert("RETR#1", { "550 Permission denied." });
    const auto listMode = [](PeerJob& r) { r.p.options.ai_nlst = false; };

    addRows<JobCase>({
        { .name = "download, one reset: the third file is fetched again", .files = filesNamed(kFive),
          .scripts = resetsAt(true, { 3 }), .deleteAfter = false, .retries = 1, .transferred = kThirdTwice,
          .outcomes = outcomes(kFive, {}), .sessions = 2 },
        { .name = "download, 426 before the reset: the third file is still fetched again", .files = filesNamed(kFive),
          .scripts = resetsAt(true, { 3 }, true), .deleteAfter = false, .retries = 1, .transferred = kThirdTwice,
          .outcomes = outcomes(kFive, {}), .sessions = 2 },
        { .name = "download, two resets: the third fails, the job goes on with the fourth", .files = filesNamed(kFive),
          .scripts = resetsAt(true, { 3, 4 }), .deleteAfter = false, .retries = 1, .transferred = kThirdTwice,
          .outcomes = outcomes(kFive, { "a3.dat" }), .sessions = 3 },
        { .name = "delete after download: the restart finds the third file though those before are gone",
          .files = filesNamed(kFive), .scripts = resetsAt(true, { 3, 4 }), .retries = 1, .transferred = kThirdTwice,
          .outcomes = outcomes(kFive, { "a3.dat" }), .sessions = 3 },
        { .name = "LIST: the give-up resumes at the entry after the failed file", .files = filesNamed(kFive),
          .scripts = resetsAt(true, { 3, 4 }), .deleteAfter = false, .retries = 1, .setUp = listMode,
          .transferred = kThirdTwice, .outcomes = outcomes(kFive, { "a3.dat" }), .sessions = 3 },
        { .name = "two resets on the last NLST entry: the job stops", .files = filesNamed(kThree),
          .scripts = resetsAt(true, { 3, 4 }), .deleteAfter = false, .retries = 1, .transferred = kLastTwice,
          .outcomes = outcomes(kThree, { "a3.dat" }), .sessions = 2 },
        { .name = "two resets on the last LIST entry: the job stops", .files = filesNamed(kThree),
          .scripts = resetsAt(true, { 3, 4 }), .deleteAfter = false, .retries = 1, .setUp = listMode,
          .transferred = kLastTwice, .outcomes = outcomes(kThree, { "a3.dat" }), .sessions = 2 },
        { .name = "download, retries 0: no retry, the job goes on", .files = filesNamed(kFive),
          .scripts = resetsAt(true, { 3 }), .deleteAfter = false, .transferred = kFive,
          .outcomes = outcomes(kFive, { "a3.dat" }) },
        { .name = "a retry resumes beyond 16-bit listing positions",
          .files = filesNamed({ "a0.dat", "z1.dat", "z2.dat" }), .scripts = refusedThenReset, .deleteAfter = false,
          .retries = 1, .setUp = twoThousandFetchedBefore, .transferred = { "a0.dat", "z1.dat", "z1.dat", "z2.dat" },
          .outcomes = { "a0.dat fail", "z1.dat pass", "z2.dat pass" }, .sessions = 2 },
        // Under "Delete After UpLoad" a stored file leaves the working folder
        // only once the server has confirmed it.
        { .name = "upload, one reset: the fifth file is stored again", .download = false, .files = filesNamed(kSeven),
          .scripts = resetsAt(false, { 5 }), .retries = 1, .transferred = kFifthTwice,
          .outcomes = outcomes(kSeven, {}), .sessions = 2 },
        { .name = "upload, 426 before the reset: the fifth file is still stored again", .download = false,
          .files = filesNamed(kSeven), .scripts = resetsAt(false, { 5 }, true), .retries = 1,
          .transferred = kFifthTwice, .outcomes = outcomes(kSeven, {}), .sessions = 2 },
        { .name = "upload, two resets: the fifth fails, the job goes on with the sixth", .download = false,
          .files = filesNamed(kSeven), .scripts = resetsAt(false, { 5, 6 }), .retries = 1,
          .transferred = kFifthTwice, .outcomes = outcomes(kSeven, { "u5.dat" }), .sessions = 3 },
        { .name = "upload, retries 0: no retry, the job goes on", .download = false, .files = filesNamed(kSeven),
          .scripts = resetsAt(false, { 5 }), .transferred = kSeven, .outcomes = outcomes(kSeven, { "u5.dat" }) },
    });
}

QTEST_MAIN(SupervisionRetryTest)
#include "tst_supervision_retry.moc"
