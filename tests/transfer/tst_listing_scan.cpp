// How names come out of a listing and what the reply to RETR and the bytes
// received decide: which listed names the loop retrieves, in which order, which
// it refuses or passes over, the size a reply announces, and when a file passes
// and may be deleted on the server.
#include "schedule/Engine.h"
#include "transfer/ListingScan.h"
#include "transfer/RetrievalLoop.h"
#include "transfer/TransferRecords.h"

#include "platform/TextFiles.h"
#include "support/EngineUnderTest.h"

#include <QtTest>

namespace {

// More picks than any row lists: a walk that never ends is cut off here.
constexpr int kMaxPicks = 50;

const QString kOutcomeLog = QStringLiteral("dl_file_size.log");

// Walks the listing as the retrieval loop does, each pick starting a new file:
// the names picked, in order, until the listing is used up.
QStringList walkListing(Engine& p, const QString& listing, bool nlst)
{
    p.options.ai_nlst = nlst;
    p.fText5.setText(listing);
    p.session.downloadState = ProtocolState::Transfer;
    p.transfer.listingScanPosition = 1;
    p.transfer.listingEntryIndex = 0;
    QStringList picks;
    for (;;) {
        p.transfer.downloadVerifyGate = true;
        if (!nextFileTest(p) || picks.size() == kMaxPicks)
            break;
        picks << p.session.downloadCurrentFile;
    }
    return picks;
}

int failLines(const EngineUnderTest& t)
{
    const auto lines = readLines(t.logFile(kOutcomeLog));
    if (!lines)
        return 0;
    return int(std::count_if(lines->cbegin(), lines->cend(), [](const QByteArray& l) { return l.endsWith(" fail"); }));
}

// One LIST line as vsftpd writes it for a file of this year.
QString vsftpdLine(const QString& name)
{
    return QStringLiteral("-rw-r--r--    1 1000     1000         4000 Oct 15 10:30 ") + name + QStringLiteral("\r\n");
}

}

class ListingScanTest : public QObject {
    Q_OBJECT
private slots:
    void nlstWalk_data();
    void nlstWalk();
    void listNames_data();
    void listNames();
    void listWalkByPatternTail_data();
    void listWalkByPatternTail();
    void announcedSize_data();
    void announcedSize();
    void passAndDeleteRules_data();
    void passAndDeleteRules();
};

void ListingScanTest::nlstWalk_data()
{
    QTest::addColumn<QString>("listing");
    QTest::addColumn<QStringList>("recorded");
    QTest::addColumn<bool>("dupeCheck");
    QTest::addColumn<QString>("uploading");
    QTest::addColumn<QStringList>("picks");
    QTest::addColumn<int>("refused");

    const QStringList none;
    QTest::newRow("CR LF lines give one name each, in order")
        << "a.dat\r\nb.dat\r\n" << none << true << "" << QStringList { "a.dat", "b.dat" } << 0;
    QTest::newRow("CR alone ends a line") << "a.dat\rb.dat\r" << none << true << ""
                                          << QStringList { "a.dat", "b.dat" } << 0;
    QTest::newRow("LF-only lines give no name") << "a.dat\nb.dat\n" << none << true << "" << none << 0;
    QTest::newRow("an unfinished last line gives no half name")
        << "a.dat\r\nb.d" << none << true << "" << QStringList { "a.dat" } << 0;
    QTest::newRow("an empty line is refused and the walk goes on")
        << "a.dat\r\n\r\nb.dat\r\n" << none << true << "" << QStringList { "a.dat", "b.dat" } << 1;
    QTest::newRow("dot entries are passed over without a record")
        << ".\r\n..\r\na.dat\r\n" << none << true << "" << QStringList { "a.dat" } << 0;
    QTest::newRow("recorded names skipped by exact name only, not as part of a recorded name")
        << "GW2_0001.dat\r\n0001.dat\r\n1.datab.dat\r\nab.dat\r\n" << QStringList { "GW2_0001.dat", "ab.dat" }
        << true << "" << QStringList { "0001.dat", "1.datab.dat" } << 0;
    QTest::newRow("duplicate check off takes recorded names")
        << "GW2_0001.dat\r\n" << QStringList { "GW2_0001.dat" } << false << "" << QStringList { "GW2_0001.dat" }
        << 0;
    QTest::newRow("the upload job's file is never taken")
        << "x.dat\r\ny.dat\r\n" << none << true << "x.dat" << QStringList { "y.dat" } << 0;
}

void ListingScanTest::nlstWalk()
{
    QFETCH(QString, listing);
    QFETCH(QStringList, recorded);
    QFETCH(bool, dupeCheck);
    QFETCH(QString, uploading);
    QFETCH(QStringList, picks);
    QFETCH(int, refused);
    EngineUnderTest t;
    Engine& p = t.engine;
    for (const QString& name : recorded)
        QVERIFY(appendLine(t.logFile(QStringLiteral("filename2.log")), name.toLatin1()));
    loadDownloadedNames(p);
    p.options.downloadDupeCheck = dupeCheck;
    p.transfer.uploadFileName = uploading;

    QCOMPARE(walkListing(p, listing, true), picks);
    QCOMPARE(p.session.downloadCurrentFile, QStringLiteral("done"));
    QCOMPARE(failLines(t), refused);
}

void ListingScanTest::listNames_data()
{
    QTest::addColumn<QString>("listing");
    QTest::addColumn<QStringList>("names");
    // Each server's own lines, for a file of this year and one older than six
    // months, whose date shows the year instead of the time.
    QTest::newRow("vsftpd") << "-rw-r--r--    1 999      995          3000 Jan 01  2020 a.dat\r\n"
                               "-rw-r--r--    1 999      995            10 Dec 07 00:21 sp ace.dat\r\n"
                            << QStringList { "a.dat", "sp ace.dat" };
    QTest::newRow("proftpd") << "-rw-r--r--   1 tolvaneftp tolvaneftp     3000 Jan  1  2020 a.dat\r\n"
                                "-rw-r--r--   1 tolvaneftp tolvaneftp     2000 Dec  7 00:21 x (final)\r\n"
                             << QStringList { "a.dat", "x (final)" };
    QTest::newRow("pure-ftpd") << "-rw-r--r--    1 999        tolvaneftp       3000 Jan  1  2020 a.dat\r\n"
                                  "-rw-r--r--    1 999        tolvaneftp         10 Dec  7 00:21 sp ace.dat\r\n"
                               << QStringList { "a.dat", "sp ace.dat" };
    QTest::newRow("pyftpdlib") << "-rw-r--r--   1 tolvaneftp tolvaneftp     3000 Jan 01  2020 a.dat\r\n"
                                  "-rw-r--r--   1 tolvaneftp tolvaneftp       10 Dec 07 00:21 sp ace.dat\r\n"
                               << QStringList { "a.dat", "sp ace.dat" };
    QTest::newRow("the name is the whole rest of the line, a leading blank and a date in it included")
        << "-rw-r--r--    1 1000     1000         4000 Oct 15 10:30  Oct 15 10:30 c:d\n"
        << QStringList { " Oct 15 10:30 c:d" };
    QTest::newRow("a line in another form: the word after its time")
        << "-rw-r--r-- 1 u g 4000 15. Okt 10:30 a.dat -> b\r\n" << QStringList { "a.dat" };
}

void ListingScanTest::listNames()
{
    QFETCH(QString, listing);
    QFETCH(QStringList, names);
    QCOMPARE(collectListNames(listing), names);
}

void ListingScanTest::listWalkByPatternTail_data()
{
    QTest::addColumn<QString>("listing");
    QTest::addColumn<QString>("patternField");
    QTest::addColumn<QStringList>("picks");
    QTest::newRow("the tail is case-sensitive")
        << vsftpdLine("GW2_0001.DAT") + vsftpdLine("gw2_0002.dat") << "gw*.dat" << QStringList { "gw2_0002.dat" };
    QTest::newRow("an empty pattern takes every entry")
        << vsftpdLine("a.txt") + vsftpdLine("b.dat") << "" << QStringList { "a.txt", "b.dat" };
    QTest::newRow("no wildcard: the whole pattern is the tail")
        << vsftpdLine("a.gwdat") + vsftpdLine("b.dat") << "gwdat" << QStringList { "a.gwdat" };
    QTest::newRow("an empty tail takes every entry") << vsftpdLine("a.txt") + vsftpdLine("b.dat") << "GW2*"
                                                     << QStringList { "a.txt", "b.dat" };
    QTest::newRow("a name the upload job is storing is taken in LIST mode")
        << vsftpdLine("x.dat") << "" << QStringList { "x.dat" };
    QTest::newRow("the dot entries of LIST -la are passed over")
        << "drwxr-xr-x    2 1000     1000         4096 Oct 15 10:30 .\r\n"
           "drwxr-xr-x    2 1000     1000         4096 Oct 15 10:30 ..\r\n"
            + vsftpdLine("a.dat")
        << "" << QStringList { "a.dat" };
}

void ListingScanTest::listWalkByPatternTail()
{
    QFETCH(QString, listing);
    QFETCH(QString, patternField);
    QFETCH(QStringList, picks);
    EngineUnderTest t;
    t.engine.downloadFields.pattern = patternField;
    t.engine.transfer.uploadFileName = QStringLiteral("x.dat");

    QCOMPARE(walkListing(t.engine, listing, false), picks);
    QCOMPARE(failLines(t), 0);
}

void ListingScanTest::announcedSize_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<bool>("fileSizeExists");
    QTest::addColumn<int>("size");
    const QString opening = QStringLiteral("150 Opening BINARY mode data connection for ");
    // Each server's own replies to RETR.
    QTest::newRow("proftpd: parentheses in the name never count")
        << opening + "x (final) (2000 bytes)\r\n" << false << 2000;
    QTest::newRow("proftpd: one byte") << opening + "one (1 byte)\r\n" << false << 1;
    QTest::newRow("proftpd announces no size for an empty file, whatever its name")
        << opening + "w(0)\r\n" << false << -1;
    QTest::newRow("the same under File Size Exists") << opening + "w(0)\r\n" << true << -2;
    QTest::newRow("vsftpd: a final period makes it unknown") << opening + "z(7) (2000 bytes).\r\n" << false << -1;
    QTest::newRow("vsftpd, under File Size Exists too") << opening + "a.dat (0 bytes).\r\n" << true << -1;
    QTest::newRow("pure-ftpd") << "150 Connecting to port 56013\r\n" << false << -1;
    QTest::newRow("pyftpdlib") << "125 Data connection already open. Transfer starting.\r\n" << false << -1;
    QTest::newRow("an empty file") << opening + "a.dat (0 bytes)\r\n" << false << 0;
    QTest::newRow("the largest 32-bit size") << opening + "a.dat (2147483647 bytes)" << false << 2147483647;
    QTest::newRow("a size beyond 32 bits is unknown, never wrapped")
        << opening + "a.dat (4294967296 bytes)" << false << -1;
}

void ListingScanTest::announcedSize()
{
    QFETCH(QString, reply);
    QFETCH(bool, fileSizeExists);
    QFETCH(int, size);
    QCOMPARE(parseTransferSize(reply, fileSizeExists), size);
}

void ListingScanTest::passAndDeleteRules_data()
{
    QTest::addColumn<int>("announced");
    QTest::addColumn<qint64>("received");
    QTest::addColumn<bool>("ascii");
    QTest::addColumn<bool>("passes");
    QTest::addColumn<bool>("mayDelete");
    QTest::newRow("all bytes in") << 1000 << qint64(1000) << false << true << true;
    QTest::newRow("bytes missing") << 1000 << qint64(999) << false << false << false;
    QTest::newRow("bytes missing in ASCII mode") << 1000 << qint64(999) << true << false << false;
    QTest::newRow("grown in ASCII mode: passes, stays on the server") << 1000 << qint64(1012) << true << true << false;
    QTest::newRow("grown in binary mode") << 1000 << qint64(1012) << false << false << false;
    QTest::newRow("size unknown") << -1 << qint64(1234) << false << true << true;
    QTest::newRow("size 0") << 0 << qint64(0) << false << true << true;
    QTest::newRow("File Size Exists without a size never passes") << -2 << qint64(0) << true << false << false;
}

void ListingScanTest::passAndDeleteRules()
{
    QFETCH(int, announced);
    QFETCH(qint64, received);
    QFETCH(bool, ascii);
    QFETCH(bool, passes);
    QFETCH(bool, mayDelete);
    QCOMPARE(sizeFitsAnnounced(announced, received, ascii), passes);
    QCOMPARE(passes && sizeAllowsDelete(announced, received), mayDelete);
}

QTEST_MAIN(ListingScanTest)
#include "tst_listing_scan.moc"
