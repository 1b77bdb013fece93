// A server that does not speak FTP, against a scripted peer: a reply of a
// megabyte without a line end, binary noise, a bad code, a multi-line reply
// that never ends. The session fails at once (the reply framer holds at most
// 256 KiB, so memory stays bounded), or at the supervision's time-out when
// the server merely falls silent; it never takes noise for a step forward.
#include "support/FaultChecks.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

using Chunks = ScriptedFtpPeer::Chunks;

constexpr int kMegabyte = 1024 * 1024;
constexpr double kTimeOutScale = 0.005;

// Noise whose lines never begin with a reply code.
QByteArray binaryNoise(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(7);
    for (char& byte : bytes)
        byte = char(generator.bounded(256));
    for (qsizetype at = bytes.indexOf('\n'); at >= 0 && at + 1 < bytes.size(); at = bytes.indexOf('\n', at + 1))
        bytes[at + 1] = '\xff';
    bytes[0] = '\0';
    return bytes;
}

// Continuation lines of an opened multi-line reply, past the framer's cap.
QByteArray endlessContinuation()
{
    QByteArray lines;
    while (lines.size() < 2 * 256 * 1024)
        lines += "220-and more of the welcome\r\n";
    return lines;
}

}

class ReplyFaultsTest : public QObject {
    Q_OBJECT
private slots:
    void serverSendsNoReply_data();
    void serverSendsNoReply();
};

void ReplyFaultsTest::serverSendsNoReply_data()
{
    QTest::addColumn<bool>("download");
    QTest::addColumn<QByteArray>("verb");
    // The answer goes to the verb's occurrence after this many, answered "200";
    // -1: it ends the verb's transfer in place of the final reply.
    QTest::addColumn<int>("after");
    QTest::addColumn<Chunks>("answer");
    QTest::addColumn<QStringList>("outcomes");
    QTest::addColumn<QString>("logged");
    const QString invalid = QStringLiteral("^Invalid Reply ");
    QTest::newRow("a reply of 1 MB without a line end")
        << true << QByteArray("PWD") << 0 << Chunks { { "257 \"/in\"" + QByteArray(kMegabyte, 'x') } } << QStringList {}
        << invalid;
    QTest::newRow("binary noise") << true << QByteArray("CWD") << 0 << Chunks { { binaryNoise(64 * 1024) } }
                                  << QStringList {} << invalid;
    QTest::newRow("binary noise in answer to RETR")
        << true << QByteArray("RETR") << 0 << Chunks { { binaryNoise(4096) } } << QStringList { "a.dat fail" } << invalid;
    // Not a socket error: no "Transfer Failed", whatever the retries say.
    QTest::newRow("binary noise in place of the 226 to RETR, in the transfer phase")
        << true << QByteArray("RETR") << -1 << Chunks { { binaryNoise(4096) } } << QStringList { "a.dat fail" }
        << invalid;
    QTest::newRow("binary noise in place of the 226 to STOR")
        << false << QByteArray("STOR") << -1 << Chunks { { binaryNoise(4096) } } << QStringList { "a.dat fail" }
        << invalid;
    QTest::newRow("1 MB of noise in answer to an upload's TYPE I")
        << false << QByteArray("TYPE") << 2 << Chunks { { QByteArray(kMegabyte, 'x') } } << QStringList {}
        << invalid;
    QTest::newRow("a code that is not three digits")
        << true << QByteArray("PASS") << 0 << Chunks { { "2x0 Login successful.\r\n" } } << QStringList {} << invalid;
    QTest::newRow("a code no reply has") << true << QByteArray("USER") << 0 << Chunks { { "999 Who goes there?\r\n" } }
                                         << QStringList {} << invalid;
    QTest::newRow("a multi-line reply that never ends")
        << true << QByteArray("PWD") << 0 << Chunks { { "257-\"/in\" is the folder\r\n" }, { endlessContinuation() } }
        << QStringList {} << invalid;
    QTest::newRow("a multi-line reply that stops before its end")
        << true << QByteArray("PWD") << 0 << Chunks { { "257-\"/in\" is the folder\r\n" } } << QStringList {}
        << "^Timeout Error ";
}

void ReplyFaultsTest::serverSendsNoReply()
{
    QFETCH(bool, download);
    QFETCH(QByteArray, verb);
    QFETCH(int, after);
    QFETCH(Chunks, answer);
    QFETCH(QStringList, outcomes);
    QFETCH(QString, logged);
    PeerJob run(download, kTimeOutScale);
    run.p.options.deleteAfterDownload = true;
    run.p.options.deleteAfterUpload = true;
    run.putFile("a.dat", faultBytes("a.dat", 5000));
    run.putFile("b.dat", faultBytes("b.dat", 700));
    for (int i = 0; i < after; ++i)
        run.peer.replyTo(verb, "200 Command okay.\r\n");
    if (after < 0)
        run.peer.planTransfer(verb, { .final = answer.first().bytes });
    else
        run.peer.replyTo(verb, answer);

    run.run();

    run.verifyPromises(QRegularExpression(logged));
    QCOMPARE(run.outcomes(), outcomes);
    QCOMPARE(run.p.caption, QStringLiteral("Tolvane - Idle"));
}

QTEST_MAIN(ReplyFaultsTest)
#include "tst_reply_faults.moc"
