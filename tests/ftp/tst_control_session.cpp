// The control session from the greeting to the listing request, against a
// scripted peer that sends exact bytes in chosen chunks and records every
// command: what goes out, in which order, and when the session fails instead.
#include "ftp/ControlSession.h"
#include "ftp/Job.h"
#include "support/EngineUnderTest.h"
#include "support/ScriptedFtpPeer.h"

#include <QtTest>

using namespace PeerSteps;

Q_DECLARE_METATYPE(PeerScript)

namespace {

// Real milliseconds. Bounds only catch hangs.
constexpr int kWaitMs = 5000;
// Long enough for a command the program should not have sent to reach the peer.
constexpr int kSettleMs = 100;
constexpr int kSplitPauseMs = 150;

const QStringList kLogin { "USER alice", "PASS s3cret", "CWD /in", "PWD" };

// A job's session on a fresh engine, its site 1 pointed at a fresh peer.
struct PeerSession {
    ScriptedFtpPeer peer;
    EngineUnderTest put;
    Job job;

    explicit PeerSession(bool download) : job(download ? downloadJob(put.engine) : uploadJob(put.engine))
    {
        (download ? pointDownloadSite : pointUploadSite)(put.engine, { peer.host(), peer.port(), "alice", "s3cret",
                                                                       "/in", "*.dat" });
    }

    // PORT as it must read for the port the data socket really listens on, or,
    // once it has accepted, the port the connection arrived at.
    QString portCommand() const
    {
        const int port = job.data.LocalPort();
        return QStringLiteral("PORT 127,0,0,1,%1,%2").arg(port / 256).arg(port % 256);
    }

    // Waits until the peer has heard this many commands, then long enough for
    // one more, sent too early, to come.
    QStringList transcriptOf(int commands) const
    {
        QTest::qWaitFor([&] { return peer.transcript.size() >= commands; }, kWaitMs);
        QTest::qWait(kSplitPauseMs + kSettleMs);
        return peer.transcript;
    }
};

}

class ControlSessionTest : public QObject {
    Q_OBJECT
private slots:
    void wholeLoginSendsEachCommandInTurn_data();
    void wholeLoginSendsEachCommandInTurn();
    void refusedLoginFailsAndSendsNothingMore_data();
    void refusedLoginFailsAndSendsNothingMore();
    void eachCompleteReplyDrivesOneStep_data();
    void eachCompleteReplyDrivesOneStep();
};

void ControlSessionTest::wholeLoginSendsEachCommandInTurn_data()
{
    QTest::addColumn<bool>("download");
    QTest::addColumn<bool>("nlst");
    QTest::addColumn<QString>("patternField");
    QTest::addColumn<QString>("listingRequest");
    QTest::addColumn<bool>("cwdRefused");
    QTest::newRow("download NLST") << true << true << "abc" << "NLST *.dat" << false;
    QTest::newRow("download LIST adds the pattern field in capitals")
        << true << false << "abc" << "LIST *.dat ABC" << false;
    QTest::newRow("download LIST with an empty pattern field") << true << false << "" << "LIST *.dat " << false;
    QTest::newRow("upload NLST") << false << true << "abc" << "NLST *.dat" << false;
    QTest::newRow("upload LIST takes no pattern field") << false << false << "abc" << "LIST *.dat" << false;
    QTest::newRow("CWD refused goes on to TYPE without PWD") << true << true << "abc" << "NLST *.dat" << true;
}

// Also proves the PORT argument: the peer connects to the address it names,
// and the job's own data socket takes the connection, which stays open.
void ControlSessionTest::wholeLoginSendsEachCommandInTurn()
{
    QFETCH(bool, download);
    QFETCH(bool, nlst);
    QFETCH(QString, patternField);
    QFETCH(QString, listingRequest);
    QFETCH(bool, cwdRefused);
    PeerSession s(download);
    if (cwdRefused)
        s.peer.scripts["CWD"] = { "550 Failed to change directory." };
    s.peer.scripts[listingRequest.left(4).toLatin1()] = { "150", openData, sendData, takeData, "226" };
    s.put.engine.options.ai_nlst = nlst;
    s.put.engine.downloadFields.pattern = patternField;

    startControlSession(s.job);
    QTRY_COMPARE_WITH_TIMEOUT(s.job.data.State(), int(Winsock::sckConnected), kWaitMs);

    QStringList expected = kLogin + QStringList { "TYPE A", s.portCommand(), listingRequest };
    if (cwdRefused)
        expected.removeAll("PWD");
    QCOMPARE(s.transcriptOf(int(expected.size())), expected);
}

void ControlSessionTest::refusedLoginFailsAndSendsNothingMore_data()
{
    QTest::addColumn<bool>("download");
    QTest::addColumn<QByteArray>("verb");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("refused");
    QTest::newRow("530 to USER") << true << QByteArray("USER") << QByteArray("530 Not logged in.") << true;
    QTest::newRow("upload 530 to USER") << false << QByteArray("USER") << QByteArray("530 Not logged in.") << true;
    QTest::newRow("incorrect under a 230")
        << true << QByteArray("PASS") << QByteArray("230 Password incorrect, welcome anyway.") << true;
    QTest::newRow("DENIED in capitals") << false << QByteArray("PASS") << QByteArray("230 ACCESS DENIED.") << true;
    QTest::newRow("Invalid in mixed case") << true << QByteArray("PASS") << QByteArray("230 Invalid account.") << true;
    QTest::newRow("530 inside a message of the day")
        << false << QByteArray("PASS") << QByteArray("230-Yesterday's error 530 is mended.\n230 Login successful.")
        << true;
    QTest::newRow("a plain 230 is no refusal") << true << QByteArray("PASS") << QByteArray("230 Login successful.")
                                               << false;
}

// A further reply after the refusal is taken and answered by nothing. A
// failure with no error number is how a refused login is told apart from a
// socket failure.
void ControlSessionTest::refusedLoginFailsAndSendsNothingMore()
{
    QFETCH(bool, download);
    QFETCH(QByteArray, verb);
    QFETCH(QByteArray, reply);
    QFETCH(bool, refused);
    PeerSession s(download);
    s.peer.scripts[verb] = { reply.constData() };
    s.peer.stopAnsweringAt("CWD");

    startControlSession(s.job);
    if (refused) {
        QTRY_VERIFY_WITH_TIMEOUT(s.job.failed, kWaitMs);
        s.peer.say({ "200 Probe." });
        QTRY_COMPARE_WITH_TIMEOUT(s.job.reply, QStringLiteral("200 Probe.\r\n"), kWaitMs);
    }

    const int heard = verb == "USER" ? 1 : refused ? 2 : 3;
    QCOMPARE(s.transcriptOf(heard), kLogin.first(heard));
    QCOMPARE(s.job.failed, refused);
    QCOMPARE(s.job.errorNumber, 0);
}

void ControlSessionTest::eachCompleteReplyDrivesOneStep_data()
{
    QTest::addColumn<PeerScript>("greeting");
    QTest::addColumn<QByteArray>("scriptedVerb");
    QTest::addColumn<PeerScript>("scriptedReply");
    QTest::addColumn<QByteArray>("silentFrom");
    QTest::addColumn<int>("heard");
    QTest::addColumn<QString>("lastReply");
    QTest::newRow("two replies in one chunk drive two steps")
        << PeerScript { "220" } << QByteArray("USER") << PeerScript { "331 Password required.\n230 Logged in." }
        << QByteArray("PASS") << 3 << "230 Logged in.\r\n";
    QTest::newRow("a reply split between CR and LF drives one step")
        << PeerScript { "220" } << QByteArray("USER")
        << PeerScript { raw("331 Password required.\r"), delay(kSplitPauseMs), raw("\n") } << QByteArray("PASS") << 2
        << "331 Password required.\r\n";
    QTest::newRow("a multi-line greeting over two chunks drives one step")
        << PeerScript { "220-Welcome.", delay(kSplitPauseMs), "220 Ready." } << QByteArray("USER")
        << PeerScript { "331 Password required." } << QByteArray("PASS") << 2 << "331 Password required.\r\n";
    QTest::newRow("two replies to CWD send PWD once")
        << PeerScript { "220" } << QByteArray("CWD") << PeerScript { "250 Directory changed.\n200 Noted." }
        << QByteArray("PWD") << 4 << "200 Noted.\r\n";
}

// The peer answers nothing from one command on, so the steps seen are exactly
// those the chunks before drove.
void ControlSessionTest::eachCompleteReplyDrivesOneStep()
{
    QFETCH(PeerScript, greeting);
    QFETCH(QByteArray, scriptedVerb);
    QFETCH(PeerScript, scriptedReply);
    QFETCH(QByteArray, silentFrom);
    QFETCH(int, heard);
    QFETCH(QString, lastReply);
    PeerSession s(true);
    s.peer.greeting = greeting;
    s.peer.scripts[scriptedVerb] = scriptedReply;
    s.peer.stopAnsweringAt(silentFrom);

    startControlSession(s.job);

    QCOMPARE(s.transcriptOf(heard), kLogin.first(heard));
    QCOMPARE(s.job.reply, lastReply);
    QVERIFY(!s.job.failed);
}

QTEST_MAIN(ControlSessionTest)
#include "tst_control_session.moc"
