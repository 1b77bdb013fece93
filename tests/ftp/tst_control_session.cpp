// The control session from the greeting to the listing request, against a
// scripted peer that sends exact bytes in chosen chunks and records every
// command: what goes out, in which order, and when the session fails instead.
#include "ftp/ControlSession.h"
#include "ftp/Job.h"
#include "support/EngineUnderTest.h"
#include "support/Rows.h"
#include "support/ScriptedFtpPeer.h"

#include <QtTest>

using namespace PeerSteps;

namespace {

// Real milliseconds. Bounds only catch hangs.
constexpr int kWaitMs = 5000;
// Long enough for a command sent too early to come.
constexpr int kLateCommandMs = 250;

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

    // Waits until the peer has heard this many commands, then long enough
    // for one more, sent too early, to come.
    QStringList transcriptOf(qsizetype commands) const
    {
        // The comparison that follows says what was missing.
        (void)QTest::qWaitFor([&] { return peer.transcript.size() >= commands; }, kWaitMs);
        QTest::qWait(kLateCommandMs);
        return peer.transcript;
    }
};

// The login as far as the peer answers: the answer to one command, the
// peer's own to the others up to the one it leaves unanswered; the commands
// it hears, and the session's last reply or its refusal.
struct LoginRow {
    const char* name;
    bool download = true;
    QByteArray verb;
    PeerScript answer;
    QByteArray silentFrom = "CWD";
    int heard;
    QString lastReply = {};
};

}

Q_DECLARE_METATYPE(LoginRow)

class ControlSessionTest : public QObject {
    Q_OBJECT
private slots:
    // Also proves the PORT argument: the peer connects to the address it names,
    // and the job's own data socket takes the connection, which stays open.
    // The pattern field in capitals after a download's LIST pattern shows in
    // the retrieval rows' commands.
    void wholeLoginSendsEachCommandInTurn()
    {
        for (const auto& [download, listingRequest] : {
                 // A download with an empty pattern field.
                 std::pair(true, "LIST *.dat "),
                 // An upload's LIST takes no pattern field, though its own is "abc".
                 { false, "LIST *.dat" },
                 // Here CWD is refused, and the session goes on to TYPE without PWD.
                 { true, "NLST *.dat" } }) {
            PeerSession s(download);
            const bool nlst = QByteArray(listingRequest).startsWith("NLST");
            if (nlst)
                s.peer.scripts["CWD"] = { "550 Failed to change directory." };
            s.peer.scripts[QByteArray(listingRequest).left(4)] = { "150", openData, sendData, takeData, "226" };
            s.put.engine.options.ai_nlst = nlst;
            s.put.engine.downloadFields.pattern.clear();
            s.put.engine.uploadFields.pattern = QStringLiteral("abc");

            startControlSession(s.job);
            QTRY_COMPARE_WITH_TIMEOUT(s.job.data.State(), int(Winsock::sckConnected), kWaitMs);

            const int port = s.job.data.LocalPort();
            const QStringList expected = kLogin.first(nlst ? 3 : 4)
                + QStringList { "TYPE A", QStringLiteral("PORT 127,0,0,1,%1,%2").arg(port / 256).arg(port % 256),
                                listingRequest };
            QCOMPARE(s.transcriptOf(expected.size()), expected);
        }
    }

    void loginStepsByCompleteReplies_data()
    {
        addRows<LoginRow>({
            { .name = "530 to USER refuses", .verb = "USER", .answer = { "530 Not logged in." }, .heard = 1 },
            { .name = "incorrect under a 230 refuses", .verb = "PASS",
              .answer = { "230 Password incorrect, welcome anyway." }, .heard = 2 },
            { .name = "upload: DENIED in capitals refuses", .download = false, .verb = "PASS",
              .answer = { "230 ACCESS DENIED." }, .heard = 2 },
            { .name = "530 inside a message of the day refuses", .verb = "PASS",
              .answer = { "230-Yesterday's error 530 is mended.\n230 Login successful." }, .heard = 2 },
            { .name = "two replies in one chunk drive two steps", .verb = "USER",
              .answer = { "331 Password required.\n230 Logged in." }, .silentFrom = "PASS", .heard = 3,
              .lastReply = "230 Logged in.\r\n" },
            { .name = "two replies to CWD send PWD once", .verb = "CWD",
              .answer = { "250 Directory changed.\n200 Noted." }, .silentFrom = "PWD", .heard = 4,
              .lastReply = "200 Noted.\r\n" },
        });
    }

    // The peer answers nothing from one command on, so the steps seen are
    // exactly those the chunks before drove. A refused login fails with no
    // error number, which tells it apart from a socket failure, and a further
    // reply after it is taken and answered by nothing.
    void loginStepsByCompleteReplies()
    {
        QFETCH(LoginRow, row);
        PeerSession s(row.download);
        s.peer.scripts[row.verb] = row.answer;
        s.peer.stopAnsweringAt(row.silentFrom);

        startControlSession(s.job);
        const bool refused = row.lastReply.isEmpty();
        if (refused) {
            QTRY_VERIFY_WITH_TIMEOUT(s.job.failed, kWaitMs);
            s.peer.say({ "200 Probe." });
            row.lastReply = "200 Probe.\r\n";
        }

        QCOMPARE(s.transcriptOf(row.heard), kLogin.first(row.heard));
        QCOMPARE(s.job.reply, row.lastReply);
        QCOMPARE(s.job.failed, refused);
        QCOMPARE(s.job.errorNumber, 0);
    }
};

QTEST_MAIN(ControlSessionTest)
#include "tst_control_session.moc"
