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

// The supervision counts ticks, not seconds, and a reset is seen when it
// comes: a smaller scale only makes the ticks and the waits pass sooner.
constexpr double kTimeScale = 0.005;

// A job over stem1.dat... (the stem "a" downloads, "u" uploads), each larger
// than what an upload sends in one trip through the event loop and than one
// read, so that a reset comes while the file is on its way. The transfers with
// these ordinals (counted over the sessions) reset half-way, the "426" after
// the reset or before it. With one retry the file of the first reset goes
// again, and fails when that resets too. (Without retries a reset file fails
// and the job goes on: the server-fault rows.)
JobCase resets(const char* name, const char* stem, int count, const QList<int>& ordinals, bool replyFirst = false)
{
    JobCase c { .name = name, .download = stem[0] == 'a', .files = {}, .retries = 1, .timeScale = kTimeScale };
    const PeerStep aborted = "426 Connection closed; transfer aborted.";
    for (int ordinal : ordinals)
        c.scripts.insert((c.download ? "RETR#" : "STOR#") + QByteArray::number(ordinal),
                         PeerScript { "150", openData, c.download ? sendHalf : takeSome }
                             + (replyFirst ? PeerScript { aborted, resetData } : PeerScript { resetData, aborted }));
    for (int i = 1; i <= count; ++i) {
        const QString file = QStringLiteral("%1%2.dat").arg(stem).arg(i);
        c.files.insert(file.toLatin1(), faultBytes(file.toLatin1(), 300'000));
        c.transferred << QStringList(i == ordinals[0] ? 2 : 1, file);
        c.outcomes << file + (i == ordinals[0] && ordinals.size() > 1 ? " fail" : " pass");
    }
    c.sessions = 1 + int(ordinals.size());
    return c;
}

JobCase with(JobCase c, const std::function<void(JobCase&)>& change)
{
    change(c);
    return c;
}

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
          .timeScale = kTimeScale, .error = "Timeout Error", .sessions = 3 },
        { .name = "upload stalls while logging in, one retry", .download = false, .scripts = { { "PASS", { hush } } },
          .retries = 1, .timeScale = kTimeScale, .error = "Timeout Error", .sessions = 2 },
    });
}

// Every session stalls at the same command. Each is ended on the eleventh
// supervision tick after it connected (the timer is off from then until the
// next session connects), reported as a timeout (never as a refused login),
// and restarted, only once the ended job has reported, while retries remain;
// then the job gives up.
void SupervisionRetryTest::stalledSessionTimesOut()
{
    QFETCH(JobCase, row);
    PeerJob s(row);
    int ticks = 0;
    QObject::connect(row.download ? &s.p.Timer3 : &s.p.Timer4, &Timer::Tick, [&] { ++ticks; });
    QList<qsizetype> logLinesAtStart;
    QObject::connect(&s.peer, &ScriptedFtpPeer::commandReceived, [&](const QString& line) {
        if (line.startsWith("USER"))
            logLinesAtStart << FaultChecks::errorMessages(s.job.errorLog()).size();
    });

    s.run();

    s.verify();
    QVERIFY2(ticks >= 10 * row.sessions && ticks <= 11 * row.sessions, qPrintable(QString::number(ticks)));
    QCOMPARE(logLinesAtStart, QList<qsizetype>({ 0, 1, 2 }).first(row.sessions));
    QCOMPARE(FaultChecks::errorMessages(s.job.errorLog()),
             QStringList(row.sessions, "Timeout Error") + QStringList { "Unknown Error" });
    QCOMPARE(s.job.scheduleDisplay(), QStringLiteral("9AMTimeout"));
}

void SupervisionRetryTest::resetRetries_data()
{
    const auto listMode = [](JobCase& c) {
        c.deleteAfter = false;
        c.setUp = [](PeerJob& r) { r.p.options.ai_nlst = false; };
    };
    const auto kept = [](JobCase& c) { c.deleteAfter = false; };
    const auto stops = [](JobCase& c) { c.sessions = 2; };
    // The file that fails stands more than 32767 characters into the NLST
    // listing, after a file the server refused and names already downloaded
    // (skipped at no cost). A resume position cut to 16 bits would come out
    // negative, start the retry from the top and fetch the refused file again.
    const auto pastSixteenBits = [](JobCase& c) {
        c.deleteAfter = false;
        c.scripts.insert("RETR#1", { "550 Permission denied." });
        c.outcomes[0] = "a1.dat fail";
        c.setUp = [](PeerJob& r) {
            QByteArray record;
            for (int i = 0; i < 2000; ++i) {
                const QByteArray name = "a1.downloaded-" + QByteArray::number(i).rightJustified(6, '0') + ".dat";
                r.peer.files.insert(name, "old");
                record += name + "\r\n";
            }
            QVERIFY(writeFileBytes(r.job.put.logFile("filename2.log"), record));
            r.p.transfer.downloadedNames.load();
        };
    };
    addRows<JobCase>({
        // Under "Delete After" the restart finds the third file though those
        // before are gone.
        resets("download, the 426 before each of two resets: the third is fetched again, fails, the job goes on",
               "a", 5, { 3, 4 }, true),
        with(resets("LIST: the give-up resumes at the entry after the failed file", "a", 5, { 3, 4 }), listMode),
        with(with(resets("two resets on the last NLST entry: the job stops", "a", 3, { 3, 4 }), kept), stops),
        with(resets("a retry resumes beyond 16-bit listing positions", "a", 3, { 2 }), pastSixteenBits),
        // Under "Delete After UpLoad" a stored file leaves the working folder
        // only once the server has confirmed it.
        resets("upload, the 426 before each of two resets: the fifth is stored again, fails, the job goes on", "u", 7,
               { 5, 6 }, true),
    });
}

QTEST_MAIN(SupervisionRetryTest)
#include "tst_supervision_retry.moc"
