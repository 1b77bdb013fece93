// How names come out of a listing and what the bytes received decide: which
// listed names the loop retrieves, in which order, which it refuses or passes
// over, and when a file passes and may be deleted on the server. Each row
// documents a rule; the servers' own lines and replies are the fuzzers' seeds
// (fuzz/seeds), which the fuzz properties check in every build.
#include "schedule/Engine.h"
#include "transfer/ListingScan.h"
#include "transfer/RetrievalLoop.h"
#include "transfer/TransferRecords.h"

#include "support/FaultChecks.h"
#include "support/Rows.h"

#include <QtTest>

namespace {

// LIST lines as vsftpd writes them for files of this year.
QString vsftpdLines(const QStringList& names)
{
    QString listing;
    for (const QString& name : names)
        listing += "-rw-r--r--    1 1000     1000         4000 Oct 15 10:30 " + name + "\r\n";
    return listing;
}

// A listing walked as the retrieval loop does, each pick starting a new file,
// with x.dat the upload job's file.
struct Walk {
    const char* name;
    bool nlst;
    QString listing;
    QStringList picks;
    // NLST: the names already downloaded, under the duplicate check or not;
    // LIST: the pattern field, whose tail names are matched against.
    QString recordedOrPattern = {};
    bool dupeCheck = true;
    QStringList refused = {};
};

// What the size announced and the bytes received decide where the transfer
// type matters; the whole jobs show the plain cases.
struct SizeRule {
    const char* name;
    int announced;
    qint64 received;
    bool ascii;
    bool passes;
    bool mayDelete;
};

}

Q_DECLARE_METATYPE(Walk)
Q_DECLARE_METATYPE(SizeRule)

class ListingScanTest : public QObject {
    Q_OBJECT
private slots:
    void walk_data();
    void walk();
    void listNames_data();
    void listNames() { QFETCH(QString, listing); QFETCH(QStringList, names); QCOMPARE(collectListNames(listing), names); }
    void passAndDeleteRules_data();
    void passAndDeleteRules();
};

void ListingScanTest::walk_data()
{
    addRows<Walk>({
        { "NLST: each CR ends a name, with or without LF; what no CR ends is none", true,
          "a.dat\r\nb.dat\rc.dat\nd.d", { "a.dat", "b.dat" } },
        { "NLST: dot entries passed over without a record, an empty line refused", true, ".\r\n..\r\n\r\na.dat\r\n",
          { "a.dat" }, {}, true, { " fail" } },
        { "NLST: recorded names skipped by exact name only, not as part of a recorded name", true,
          "GW2_0001.dat\r\n0001.dat\r\n1.datab.dat\r\nab.dat\r\n", { "0001.dat", "1.datab.dat" },
          "GW2_0001.dat\r\nab.dat" },
        { "NLST: duplicate check off takes recorded names", true, "GW2_0001.dat\r\n", { "GW2_0001.dat" }, "GW2_0001.dat",
          false },
        { "NLST: the upload job's file is never taken", true, "x.dat\r\ny.dat\r\n", { "y.dat" } },
        { "LIST: no wildcard, the whole pattern is the tail", false, vsftpdLines({ "a.gwdat", "b.dat" }), { "a.gwdat" },
          "gwdat" },
        { "LIST: an empty tail takes every entry", false, vsftpdLines({ "a.txt", "b.dat" }), { "a.txt", "b.dat" }, "GW2*" },
        { "LIST: a name the upload job is storing is taken", false, vsftpdLines({ "x.dat" }), { "x.dat" } },
    });
}

void ListingScanTest::walk()
{
    QFETCH(Walk, row);
    EngineUnderTest t;
    Engine& p = t.engine;
    if (row.nlst)
        QVERIFY(writeFileBytes(t.logFile("filename2.log"), row.recordedOrPattern.toLatin1()));
    else
        p.downloadFields.pattern = row.recordedOrPattern;
    loadDownloadedNames(p);
    p.options.downloadDupeCheck = row.dupeCheck;
    p.options.ai_nlst = row.nlst;
    p.transfer.uploadFileName = QStringLiteral("x.dat");
    p.fText5.setText(row.listing);
    p.session.downloadState = ProtocolState::Transfer;
    p.transfer.listingScanPosition = 1;
    p.transfer.listingEntryIndex = 0;
    QStringList picks;
    // More picks than any row lists: a walk that never ends is cut off.
    for (p.transfer.downloadVerifyGate = true; nextFileTest(p) && picks.size() < 50; p.transfer.downloadVerifyGate = true)
        picks << p.session.downloadCurrentFile;

    QCOMPARE(picks, row.picks);
    QCOMPARE(FaultChecks::outcomesIn(t.logFile("dl_file_size.log")), row.refused);
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

void ListingScanTest::passAndDeleteRules_data()
{
    addRows<SizeRule>({
        { "bytes missing in ASCII mode", 1000, 999, true, false, false },
        { "grown in ASCII mode: passes, stays on the server", 1000, 1012, true, true, false },
        { "grown in binary mode", 1000, 1012, false, false, false },
    });
}

void ListingScanTest::passAndDeleteRules()
{
    QFETCH(SizeRule, row);
    QCOMPARE(sizeFitsAnnounced(row.announced, row.received, row.ascii), row.passes);
    QCOMPARE(row.passes && sizeAllowsDelete(row.announced, row.received), row.mayDelete);
}

QTEST_MAIN(ListingScanTest)
#include "tst_listing_scan.moc"
