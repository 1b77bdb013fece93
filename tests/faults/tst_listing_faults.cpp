// Hostile listings from a scripted peer: names that climb out of the working
// folder or name a system file, names with control characters, a name of
// 10,000 characters, a listing of 100,000 names. Nothing is written outside
// the working folder, every refused name leaves a "fail" line, the job ends
// within its bound, and the ordinary file among them still arrives.
#include "support/FaultChecks.h"
#include "support/FileBytes.h"

#include <QtTest>

namespace {

constexpr int kManyNames = 100'000;

QByteArray manyNamesListing()
{
    QByteArray listing;
    for (int i = 0; i < kManyNames; ++i)
        listing += "old-" + QByteArray::number(i).rightJustified(6, '0') + ".dat\r\n";
    return listing;
}

}

class ListingFaultsTest : public QObject {
    Q_OBJECT
private slots:
    void hostileListing_data();
    void hostileListing();
};

void ListingFaultsTest::hostileListing_data()
{
    QTest::addColumn<QByteArrayList>("hostile");
    QTest::addColumn<QByteArray>("recorded");
    QTest::addColumn<bool>("nlst");
    QTest::addColumn<QStringList>("refused");
    QTest::newRow("names that climb out or name a system file")
        << QByteArrayList { "../x", "/etc/passwd", "a\\b", "..\\..\\x" } << QByteArray() << true
        << QStringList { "../x", "/etc/passwd", "a\\b", "..\\..\\x" };
    QTest::newRow("names with control characters")
        << QByteArrayList { "bell\x07.dat", "tab\t.dat", QByteArray("nul\0.dat", 8), "del\x7f.dat" } << QByteArray()
        << true << QStringList { "del\x7f.dat" };
    QTest::newRow("a name of 10,000 characters")
        << QByteArrayList { QByteArray(10'000, 'n') } << QByteArray() << true
        << QStringList { QString(10'000, QLatin1Char('n')) };
    QTest::newRow("100,000 names, all fetched before")
        << QByteArrayList {} << manyNamesListing() << true << QStringList {};
    QTest::newRow("LIST: 1,000 names, all fetched before")
        << QByteArrayList {} << manyNamesListing().left(1000 * 16) << false << QStringList {};
}

void ListingFaultsTest::hostileListing()
{
    QFETCH(QByteArrayList, hostile);
    QFETCH(QByteArray, recorded);
    QFETCH(bool, nlst);
    QFETCH(QStringList, refused);
    PeerJob run(true);
    run.p.options.deleteAfterDownload = true;
    run.p.options.ai_nlst = nlst;
    QByteArray listing = recorded;
    for (const QByteArray& name : hostile) {
        listing += name + "\r\n";
        run.putFile(name, "hostile bytes");
    }
    listing += "ok.dat\r\n";
    run.putFile("ok.dat", faultBytes("ok.dat", 3000));
    if (nlst) {
        run.peer.planTransfer("NLST", { .content = listing });
    } else {
        QByteArray longListing;
        for (const QByteArray& line : listing.split('\n')) {
            if (!line.isEmpty())
                longListing += "-rw-r--r--    1 ftp      ftp          3000 Oct 15 09:12 " + line + "\n";
        }
        run.peer.planTransfer("LIST", { .content = longListing });
    }
    QVERIFY(writeFileBytes(run.job.put.logFile(QStringLiteral("filename2.log")), recorded));
    run.p.transfer.downloadedNames.load();

    run.run();

    QCOMPARE(folderEntries(run.p.workPath), QStringList { "ok.dat" });
    QCOMPARE(folderEntries(run.job.put.folder.path()),
             QStringList({ "dl_file_size.log", "filename2.log", "pather.log", "work" }));
    QVERIFY(!run.peer.hasFile("ok.dat"));
    run.verifyPromises(QRegularExpression(QStringLiteral("ok\\.dat 3000 pass$")));
    for (const QString& name : refused)
        QVERIFY2(run.outcomes().contains(name + QStringLiteral(" fail")), qPrintable(name.left(80)));
}

QTEST_MAIN(ListingFaultsTest)
#include "tst_listing_faults.moc"
