// How names come out of a listing and what the reply to RETR and the bytes
// received decide: which listed names the loop retrieves, in which order, which
// it refuses or passes over, the size a reply announces, and when a file passes
// and may be deleted on the server. Each row documents a rule; the servers'
// own lines and replies are the fuzzers' seeds (fuzz/seeds), which the fuzz
// properties check in every build.
#include "schedule/Engine.h"
#include "transfer/ListingScan.h"
#include "transfer/RetrievalLoop.h"
#include "transfer/TransferRecords.h"

#include "support/FaultChecks.h"

#include <QtTest>

namespace {

// More picks than any row lists: a walk that never ends is cut off here.
constexpr int kMaxPicks = 50;

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

// One LIST line as vsftpd writes it for a file of this year.
QString vsftpdLine(const QString& name)
{
    return "-rw-r--r--    1 1000     1000         4000 Oct 15 10:30 " + name + "\r\n";
}

}

class ListingScanTest : public QObject {
    Q_OBJECT
private slots:
    void nlstWalk_data();
    void nlstWalk();
    void listNames_data();
    void listNames() { QFETCH(QString, listing); QFETCH(QStringList, names); QCOMPARE(collectListNames(listing), names); }
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
    QTest::addColumn<QString>("recorded");
    QTest::addColumn<bool>("dupeCheck");
    QTest::addColumn<QStringList>("picks");
    QTest::addColumn<QStringList>("refused");
    QTest::newRow("each CR ends a name, with or without LF; what no CR ends is none")
        << "a.dat\r\nb.dat\rc.dat\nd.d" << "" << true << QStringList { "a.dat", "b.dat" } << QStringList {};
    QTest::newRow("dot entries passed over without a record, an empty line refused")
        << ".\r\n..\r\n\r\na.dat\r\n" << "" << true << QStringList { "a.dat" } << QStringList { " fail" };
    QTest::newRow("recorded names skipped by exact name only, not as part of a recorded name")
        << "GW2_0001.dat\r\n0001.dat\r\n1.datab.dat\r\nab.dat\r\n" << "GW2_0001.dat\r\nab.dat" << true
        << QStringList { "0001.dat", "1.datab.dat" } << QStringList {};
    QTest::newRow("duplicate check off takes recorded names")
        << "GW2_0001.dat\r\n" << "GW2_0001.dat" << false << QStringList { "GW2_0001.dat" } << QStringList {};
    QTest::newRow("the upload job's file is never taken")
        << "x.dat\r\ny.dat\r\n" << "" << true << QStringList { "y.dat" } << QStringList {};
}

void ListingScanTest::nlstWalk()
{
    QFETCH(QString, listing);
    QFETCH(QString, recorded);
    QFETCH(bool, dupeCheck);
    QFETCH(QStringList, picks);
    QFETCH(QStringList, refused);
    EngineUnderTest t;
    Engine& p = t.engine;
    QVERIFY(writeFileBytes(t.logFile("filename2.log"), recorded.toLatin1()));
    loadDownloadedNames(p);
    p.options.downloadDupeCheck = dupeCheck;
    p.transfer.uploadFileName = QStringLiteral("x.dat");

    QCOMPARE(walkListing(p, listing, true), picks);
    QCOMPARE(FaultChecks::outcomesIn(t.logFile("dl_file_size.log")), refused);
}

void ListingScanTest::listNames_data()
{
    QTest::addColumn<QString>("listing");
    QTest::addColumn<QStringList>("names");
    // A file older than six months shows its year instead of the time.
    QTest::newRow("the name is all that follows the date, blanks and a date in it included")
        << "-rw-r--r--   1 ftp ftp     3000 Jan  1  2020 x (final)\r\n"
           "-rw-r--r--    1 1000     1000         4000 Oct 15 10:30  Oct 15 10:30 c:d\n"
        << QStringList { "x (final)", " Oct 15 10:30 c:d" };
    QTest::newRow("a line in another form: the word after its time")
        << "-rw-r--r-- 1 u g 4000 15. Okt 10:30 a.dat -> b\r\n" << QStringList { "a.dat" };
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
        << vsftpdLine(".") + vsftpdLine("..") + vsftpdLine("a.dat") << "" << QStringList { "a.dat" };
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
    QCOMPARE(FaultChecks::outcomesIn(t.logFile("dl_file_size.log")), QStringList());
}

void ListingScanTest::announcedSize_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<bool>("fileSizeExists");
    QTest::addColumn<int>("size");
    QTest::newRow("the (N bytes) that ends the reply, never a parenthesis in the name")
        << "150 Opening BINARY mode data connection for x (final) (2000 bytes)\r\n" << false << 2000;
    QTest::newRow("a period after it: unknown") << "150 Opening data connection for z(7) (2000 bytes).\r\n" << false << -1;
    QTest::newRow("none announced: unknown, -2 under File Size Exists")
        << "150 Opening BINARY mode data connection for w(0)\r\n" << true << -2;
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
