// Whole download jobs against a scripted FTP server: the exact commands sent,
// the files that arrive in the working folder, the outcome and name records,
// and above all that DELE goes out only for a file whose transfer the server
// confirmed and whose every byte reached the local file.
#include "support/FaultChecks.h"

#include <QtTest>

using DataOrder = ScriptedFtpPeer::DataOrder;

Q_DECLARE_METATYPE(ScriptedFtpPeer::DataOrder)

namespace {

const QDateTime kNow(QDate(2002, 10, 15), QTime(14, 5, 9));

// The commands of a session up to the first file, with "*.dat" as the site's
// pattern.
const QStringList kSessionStart { "USER alice", "PASS s3cret", "CWD /in", "PWD", "TYPE A", "PORT", "NLST *.dat",
                                  "TYPE A", "PORT" };

// A file's commands under "Delete After DownLoad": its DELE goes out as the
// next file begins, the last file's at the end of the job.
QStringList fileCommands(const QString& name)
{
    return { "TYPE I", "PORT", "REST 0", "RETR " + name, "DELE " + name };
}

}

class RetrievalPeerTest : public QObject {
    Q_OBJECT
private slots:
    void twoFilesDeletedAfterDownload_data();
    void twoFilesDeletedAfterDownload();
    void filesLandUnderTheirOwnNames_data();
    void filesLandUnderTheirOwnNames();
    void listingFoundNothingForThePattern_data();
    void listingFoundNothingForThePattern();
};

void RetrievalPeerTest::twoFilesDeletedAfterDownload_data()
{
    QTest::addColumn<DataOrder>("order");
    QTest::addColumn<bool>("sizeAnnounced");
    QTest::addColumn<int>("firstSize");
    QTest::newRow("150, then the data connection") << DataOrder::PreliminaryFirst << true << 3000;
    QTest::newRow("150, then the data connection, size unknown") << DataOrder::PreliminaryFirst << false << 3000;
    QTest::newRow("data connection before the 150") << DataOrder::ConnectFirst << true << 3000;
    QTest::newRow("150 and 226 in one chunk after the data") << DataOrder::PreliminaryWithFinal << true << 3000;
    QTest::newRow("150 and 226 in one chunk after the data, size unknown")
        << DataOrder::PreliminaryWithFinal << false << 3000;
    // The last bytes come long after the program's pause after the 226: they
    // are written before the file is judged, and DELE waits for them.
    QTest::newRow("226 long before the last bytes") << DataOrder::FinalBeforeLastBytes << true << 3000;
    QTest::newRow("226 long before the last bytes, size unknown") << DataOrder::FinalBeforeLastBytes << false << 3000;
    QTest::newRow("226 held until the client closes the data connection")
        << DataOrder::FinalAfterClientCloses << true << 3000;
    // proftpd: the end of the file is the server's close, and its 226 waits
    // for the client's, listings included.
    QTest::newRow("the server closes first and holds its 226, size unknown")
        << DataOrder::ServerClosesFirst << false << 3000;
    QTest::newRow("the server closes first, an empty file of unknown size")
        << DataOrder::ServerClosesFirst << false << 0;
    // The data connection must be taken even when the size says nothing will
    // come on it: a server refused its connection answers 425, not 226.
    QTest::newRow("an empty file: 150 (0 bytes), the data connection a moment later")
        << DataOrder::LateConnect << true << 0;
    QTest::newRow("an empty file: the data connection before the 150 (0 bytes)")
        << DataOrder::ConnectFirst << true << 0;
}

void RetrievalPeerTest::twoFilesDeletedAfterDownload()
{
    QFETCH(DataOrder, order);
    QFETCH(bool, sizeAnnounced);
    QFETCH(int, firstSize);
    PeerJob d(true, EngineUnderTest::kDefaultTimeScale, kNow);
    d.p.options.deleteAfterDownload = true;
    const QByteArray a = faultBytes("a.dat", firstSize);
    const QByteArray b = faultBytes("b.dat", 70'000);
    d.putFile("a.dat", a);
    d.putFile("b.dat", b);
    d.peer.setDataOrder(order);
    if (!sizeAnnounced) {
        for (const auto& [name, bytes] : { std::pair { "a.dat", a }, { "b.dat", b } })
            d.peer.planTransfer("RETR", { "150 Opening BINARY mode data connection for " + QByteArray(name) + " ("
                                              + QByteArray::number(bytes.size()) + " bytes).\r\n" });
    }

    d.run();

    QCOMPARE(d.commands(), kSessionStart + fileCommands("a.dat") + fileCommands("b.dat"));
    QCOMPARE(d.localFile("a.dat"), a);
    QCOMPARE(d.localFile("b.dat"), b);
    QCOMPARE(folderEntries(d.p.workPath), QStringList({ "a.dat", "b.dat" }));
    QCOMPARE(d.outcomeLines(), QStringList({ QStringLiteral("a.dat %1 pass").arg(firstSize), "b.dat 70000 pass" }));
    QCOMPARE(d.recordedNames(), QStringList({ "a.dat", "b.dat" }));
    QVERIFY(d.peer.fileNames().isEmpty());
}

void RetrievalPeerTest::filesLandUnderTheirOwnNames_data()
{
    QTest::addColumn<QByteArrayList>("names");
    // Files pass into place through hidden partner files: whatever the names,
    // a partner never overwrites a file that passed, and never fails for its
    // length.
    QTest::newRow("a listed file named like the next one's partner") << QByteArrayList { ".a.dat.part", "a.dat" };
    QTest::newRow("a name too long to go whole into its partner's") << QByteArrayList { QByteArray(250, 'n') + ".dat" };
    // A server that spells names in Latin-1 sends bytes that are not UTF-8:
    // each file lands under exactly those bytes, not under a lossy reading of
    // them that two names share.
    QTest::newRow("names that are not UTF-8") << QByteArrayList { "caf\xe8.dat", "caf\xe9.dat" };
    // "done" is an ordinary name, not the end of the listing.
    QTest::newRow("a file named done, then another") << QByteArrayList { "done", "z.dat" };
}

void RetrievalPeerTest::filesLandUnderTheirOwnNames()
{
    QFETCH(QByteArrayList, names);
    PeerJob d(true);
    d.p.options.deleteAfterDownload = true;
    QByteArray listing;
    QStringList commands = kSessionStart;
    QStringList entries;
    for (const QByteArray& name : names) {
        d.putFile(name, faultBytes(name, 1000));
        listing += name + "\r\n";
        commands += fileCommands(QString::fromLatin1(name));
        entries << QString::fromLatin1(name);
    }
    d.peer.planTransfer("NLST", { .content = listing });

    d.run();

    QCOMPARE(d.commands(), commands);
    for (const QByteArray& name : names)
        QCOMPARE(d.localFile(name), faultBytes(name, 1000));
    entries.sort();
    QCOMPARE(folderEntries(d.p.workPath), entries);
    QVERIFY(d.peer.fileNames().isEmpty());
}

void RetrievalPeerTest::listingFoundNothingForThePattern_data()
{
    QTest::addColumn<bool>("nlst");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("folderEmpty");
    QTest::addColumn<QStringList>("fetched");
    const QStringList aOnly { "a.dat" };
    // proftpd in a folder where nothing matches; pyftpdlib and pure-ftpd,
    // which expand no wildcards in NLST.
    QTest::newRow("NLST refused with 450") << true << QByteArray("450 No files found\r\n") << false << aOnly;
    QTest::newRow("NLST refused with 550") << true << QByteArray("550 No such file or directory.\r\n") << false
                                           << aOnly;
    // vsftpd and proftpd list nothing for "LIST *.dat *.DAT". In LIST mode the
    // pattern's tail is matched too, case and all.
    QTest::newRow("LIST answered with an empty listing") << false << QByteArray() << false << aOnly;
    QTest::newRow("an empty folder: refused, then empty too") << true << QByteArray("450 No files found\r\n")
                                                              << true << QStringList {};
}

// The listing goes out once more without the pattern, and only the names the
// pattern matches are fetched. A folder still empty ends the job as a
// success: nothing fetched, no error.
void RetrievalPeerTest::listingFoundNothingForThePattern()
{
    QFETCH(bool, nlst);
    QFETCH(QByteArray, answer);
    QFETCH(bool, folderEmpty);
    QFETCH(QStringList, fetched);
    PeerJob d(true);
    d.p.options.ai_nlst = nlst;
    if (!folderEmpty) {
        for (const QByteArray name : { "a.dat", "b.txt", "c.DAT" })
            d.putFile(name, faultBytes(name, 100));
    }
    const QByteArray verb = nlst ? "NLST" : "LIST";
    if (answer.isEmpty())
        d.peer.planTransfer(verb, { .content = QByteArray() });
    else
        d.peer.replyTo(verb, answer);

    d.run();

    const QString request = nlst ? QStringLiteral("NLST *.dat") : QStringLiteral("LIST *.dat *.DAT");
    QStringList commands { "USER alice", "PASS s3cret", "CWD /in", "PWD", "TYPE A", "PORT", request, "PORT",
                           QString::fromLatin1(verb), "TYPE A", "PORT" };
    for (const QString& name : fetched)
        commands << "TYPE I" << "PORT" << "REST 0" << "RETR " + name;
    QCOMPARE(d.commands(), commands);
    for (const QString& name : fetched)
        QCOMPARE(d.localFile(name.toLatin1()), faultBytes(name.toLatin1(), 100));
    QCOMPARE(d.outcomes().size(), fetched.size());
    QVERIFY(!QFile::exists(d.job.errorLog()));
    QCOMPARE(d.job.lastRunLine(), QStringLiteral("Last Download on Tue 5th Mar"));
    d.verifyDeletes();
}

QTEST_MAIN(RetrievalPeerTest)
#include "tst_retrieval_peer.moc"
