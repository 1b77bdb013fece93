// The server or the network fails in the middle of a job, against a scripted
// peer: the control connection closes, the data connection resets or never
// opens, the server refuses a transfer after part or all of its data, or
// falls silent. Every case: the job ends within its bound, nothing is deleted
// on either side that was not confirmed, and a log line says what happened.
#include "support/FaultChecks.h"
#include "support/FileBytes.h"

#include <QtTest>

namespace {

using Setup = std::function<void(PeerJob&)>;
using Transfer = ScriptedFtpPeer::Transfer;
using DataFault = ScriptedFtpPeer::DataFault;
using Chunks = ScriptedFtpPeer::Chunks;

// Larger than one upload chunk and one read, so a fault half-way finds data
// still to come.
constexpr int kFirstFileBytes = 40'000;
constexpr int kSecondFileBytes = 3'000;
// The supervision counts ticks, not seconds: a smaller scale only makes a
// time-out come sooner.
constexpr double kTimeOutScale = 0.005;

// A server that cannot connect to the listener says so at once, well within
// the program's wait for the data connection.
constexpr int kQuickRefusalMs = 5;

const QByteArray kPortAccepted = "200 PORT command successful.\r\n";

Setup planFirst(const QByteArray& verb, const Transfer& plan)
{
    return [verb, plan](PeerJob& r) { r.peer.planTransfer(verb, plan); };
}

// The fault falls on the last file, whose fate the end of the job decides.
Setup planSecond(const QByteArray& verb, const Transfer& plan)
{
    return [verb, plan](PeerJob& r) {
        r.peer.planTransfer(verb, {});
        r.peer.planTransfer(verb, plan);
    };
}

// The PORT of the first file is the third of the session: the listing's and
// the one made ready after it come first.
Setup refuseFirstFilePort(const QByteArray& refusal, const QByteArray& transferVerb, const QByteArray& transferReply)
{
    return [=](PeerJob& r) {
        r.peer.replyTo("PORT", kPortAccepted);
        r.peer.replyTo("PORT", kPortAccepted);
        r.peer.replyTo("PORT", refusal);
        r.peer.replyTo(transferVerb, transferReply);
    };
}

}

Q_DECLARE_METATYPE(Setup)

class NetworkFaultsTest : public QObject {
    Q_OBJECT
private slots:
    void serverOrNetworkFails_data();
    void serverOrNetworkFails();
};

void NetworkFaultsTest::serverOrNetworkFails_data()
{
    QTest::addColumn<bool>("download");
    QTest::addColumn<Setup>("fault");
    QTest::addColumn<QStringList>("outcomes");
    QTest::addColumn<QString>("logged");
    const QStringList firstFails { "a.dat fail", "b.dat pass" };
    const QString aFailed = QStringLiteral("a\\.dat .* fail$");
    const QByteArray unknownSize = "150 Opening BINARY mode data connection for a.dat.\r\n";

    QTest::newRow("download: control connection closed mid-RETR")
        << true << planFirst("RETR", { .fault = DataFault::CloseControlHalfway }) << QStringList { "a.dat fail" }
        << aFailed;
    QTest::newRow("download: control connection closed mid-RETR in the restart too: one fail line")
        << true
        << Setup([](PeerJob& r) {
               r.job.setRetries(QStringLiteral("1"));
               for (int session = 1; session <= 2; ++session)
                   r.peer.planTransfer("RETR", { .fault = DataFault::CloseControlHalfway });
           })
        << QStringList { "a.dat fail" } << aFailed;
    QTest::newRow("download: control connection closed mid-listing")
        << true << planFirst("NLST", { .fault = DataFault::CloseControlHalfway }) << QStringList {}
        << "^Timeout Error ";
    QTest::newRow("download: data connection reset half-way, then 426")
        << true << planFirst("RETR", { .fault = DataFault::ResetHalfway }) << firstFails << aFailed;
    QTest::newRow("download: data connection reset half-way, then 226, size unknown")
        << true
        << planFirst("RETR", { .preliminary = unknownSize, .final = "226 Transfer complete.\r\n",
                               .fault = DataFault::ResetHalfway })
        << firstFails << aFailed;
    QTest::newRow("download: PORT refused with 500, then RETR with 425")
        << true << refuseFirstFilePort("500 Illegal PORT command.\r\n", "RETR", "425 Use PORT or PASV first.\r\n")
        << firstFails << aFailed;
    QTest::newRow("download: the listing's PORT refused with 500, then NLST with 425")
        << true << refuseFirstFilePort("500 Illegal PORT command.\r\n", "NLST", "425 Use PORT or PASV first.\r\n")
        << QStringList {} << "^Timeout Error ";
    QTest::newRow("download: 150, then 425: the data connection never opened")
        << true
        << Setup([](PeerJob& r) {
               r.peer.replyTo("RETR", Chunks { { "150 Opening BINARY mode data connection.\r\n" },
                                               { "425 Can't open data connection.\r\n", kQuickRefusalMs } });
           })
        << firstFails << aFailed;
    QTest::newRow("download: RETR refused with 550")
        << true << Setup([](PeerJob& r) { r.peer.replyTo("RETR", "550 Permission denied.\r\n"); }) << firstFails
        << aFailed;
    QTest::newRow("download: 150, then no data connection and no reply")
        << true << planFirst("RETR", { .fault = DataFault::NeverConnect }) << firstFails << aFailed;
    QTest::newRow("download: 426 after part of the data, size unknown")
        << true
        << Setup([=](PeerJob& r) {
               r.peer.planTransfer("RETR", { .preliminary = unknownSize,
                                             .final = "426 Connection closed; transfer aborted.\r\n",
                                             .content = r.files["a.dat"].left(kFirstFileBytes / 2) });
           })
        << firstFails << aFailed;
    QTest::newRow("download: 426 after part of the last file: no DELE as the job ends")
        << true
        << Setup([=](PeerJob& r) {
               r.peer.planTransfer("RETR", {});
               r.peer.planTransfer("RETR", { .preliminary = "150 Opening BINARY mode data connection for b.dat.\r\n",
                                             .final = "426 Connection closed; transfer aborted.\r\n",
                                             .content = r.files["b.dat"].left(kSecondFileBytes / 2) });
           })
        << QStringList { "a.dat pass", "b.dat fail" } << QStringLiteral("b\\.dat .* fail$");
    QTest::newRow("download: 451 after all of the data")
        << true << planFirst("RETR", { .final = "451 Local error in processing.\r\n" }) << firstFails << aFailed;
    QTest::newRow("download: 552 after all of the data")
        << true << planFirst("RETR", { .final = "552 Exceeded storage allocation.\r\n" }) << firstFails << aFailed;

    const QStringList bothTried { "a.dat fail", "b.dat pass" };
    QTest::newRow("upload: control connection closed mid-STOR")
        << false << planFirst("STOR", { .fault = DataFault::CloseControlHalfway }) << QStringList { "a.dat fail" }
        << aFailed;
    QTest::newRow("upload: data connection reset half-way, then 426")
        << false << planFirst("STOR", { .fault = DataFault::ResetHalfway }) << bothTried << aFailed;
    QTest::newRow("upload: 426 after part of the data, then a reset")
        << false << planFirst("STOR", { .fault = DataFault::FinalThenReset }) << bothTried << aFailed;
    QTest::newRow("upload: PORT refused with 500, then STOR with 425")
        << false << refuseFirstFilePort("500 Illegal PORT command.\r\n", "STOR", "425 Use PORT or PASV first.\r\n")
        << bothTried << aFailed;
    QTest::newRow("upload: 150, then 425: the data connection never opened")
        << false
        << Setup([](PeerJob& r) {
               r.peer.replyTo("STOR", Chunks { { "150 Ok to send data.\r\n" },
                                               { "425 Can't open data connection.\r\n", kQuickRefusalMs } });
           })
        << bothTried << aFailed;
    QTest::newRow("upload: 426 after all of the data")
        << false << planFirst("STOR", { .final = "426 Connection closed; transfer aborted.\r\n" }) << bothTried
        << aFailed;
    QTest::newRow("upload: an empty file refused with 451 after its close")
        << false
        << Setup([](PeerJob& r) {
               r.putFile("a.dat", {});
               r.peer.planTransfer("STOR", { .final = "451 Local error in processing.\r\n" });
           })
        << bothTried << QStringLiteral("a\\.dat 0 fail$");
    QTest::newRow("upload: 451 after all of the data")
        << false << planFirst("STOR", { .final = "451 Local error in processing.\r\n" }) << bothTried << aFailed;
    QTest::newRow("upload: 552 after all of the data")
        << false << planFirst("STOR", { .final = "552 Exceeded storage allocation.\r\n" }) << bothTried << aFailed;
    QTest::newRow("upload: no reply after the data")
        << false << planFirst("STOR", { .final = QByteArray() }) << bothTried << aFailed;
    QTest::newRow("upload: no reply after the last file's data: the job still ends")
        << false << planSecond("STOR", { .final = QByteArray() }) << QStringList { "a.dat pass", "b.dat fail" }
        << QStringLiteral("b\\.dat .* fail$");
}

void NetworkFaultsTest::serverOrNetworkFails()
{
    QFETCH(bool, download);
    QFETCH(Setup, fault);
    QFETCH(QStringList, outcomes);
    QFETCH(QString, logged);
    PeerJob run(download, kTimeOutScale);
    run.p.options.deleteAfterDownload = run.p.options.deleteAfterUpload = true;
    run.putFile("a.dat", faultBytes("a.dat", kFirstFileBytes));
    run.putFile("b.dat", faultBytes("b.dat", kSecondFileBytes));
    // An older copy of a file is kept whole until a new one arrives whole.
    const QByteArray olderCopy = "an older copy of a.dat";
    if (download)
        QVERIFY(writeFileBytes(run.job.put.workFile(QStringLiteral("a.dat")), olderCopy));
    fault(run);

    // From the schedule, which runs the restarts a case's retries ask for.
    run.runFromSchedule();

    run.verifyPromises(QRegularExpression(logged));
    QCOMPARE(run.outcomes(), outcomes);
    if (download && outcomes.contains(QStringLiteral("a.dat fail")))
        QCOMPARE(fileBytes(run.job.put.workFile(QStringLiteral("a.dat"))), olderCopy);
}

QTEST_MAIN(NetworkFaultsTest)
#include "tst_network_faults.moc"
