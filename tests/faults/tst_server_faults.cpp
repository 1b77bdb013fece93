// The server fails in the middle of a job, against a scripted peer: the
// control connection closes, the data connection resets or never opens, the
// server refuses a transfer after part or all of its data, falls silent,
// sends what is not an FTP reply, or lists names that are no safe local file
// name. Every case: the job ends within its bound, nothing is deleted on
// either side unless its transfer was confirmed, a log line says what
// happened, and an older local copy of a file that failed is kept whole.
#include "support/PeerJob.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace PeerSteps;

namespace {

// The supervision counts ticks, not seconds: a smaller scale only makes a
// time-out come sooner.
constexpr double kTimeOutScale = 0.005;
constexpr int kMegabyte = 1024 * 1024;
const QByteArray kOlderCopy = "an older copy of a.dat";
const QByteArray kAborted = "426 Connection closed; transfer aborted.";

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

// Names already downloaded, as the listing names them and as their record
// holds them.
QByteArray fetchedBefore(int count, const QByteArray& lineStart = {})
{
    QByteArray lines;
    for (int i = 0; i < count; ++i)
        lines += lineStart + "old-" + QByteArray::number(i).rightJustified(6, '0') + ".dat\r\n";
    return lines;
}

// A listing of names fetched before, then the file that is new.
JobCase longListing(const char* name, bool nlst, int count)
{
    const QByteArray lineStart = nlst ? "" : "-rw-r--r--    1 ftp      ftp          3000 Oct 15 09:12 ";
    const QByteArray listing = fetchedBefore(count, lineStart) + lineStart + "ok.dat\r\n";
    return { .name = name,
             .files = { { "ok.dat", faultBytes("ok.dat", 3000) } },
             .scripts = { { nlst ? "NLST" : "LIST", { "150", openData, sendBytes(listing), closeData, "226" } } },
             .setUp = [nlst, count](PeerJob& r) {
                 r.p.options.ai_nlst = nlst;
                 QVERIFY(writeFileBytes(r.job.put.logFile("filename2.log"), fetchedBefore(count)));
                 r.p.transfer.downloadedNames.load();
             },
             .outcomes = { "ok.dat pass" } };
}

// Names refused as local file names, beside a file that arrives.
JobCase hostileNames(const char* name, const QByteArrayList& names, const QStringList& outcomes)
{
    FileMap files { { "ok.dat", faultBytes("ok.dat", 3000) } };
    for (const QByteArray& hostile : names)
        files.insert(hostile, "hostile bytes");
    return { .name = name, .files = files, .outcomes = outcomes + QStringList { "ok.dat pass" } };
}

const QStringList kFirstFails { "a.dat fail", "b.dat pass" };
const QString kTimeout = QStringLiteral("Timeout Error");
const QString kInvalid = QStringLiteral("Invalid Reply");

}

class ServerFaultsTest : public QObject {
    Q_OBJECT
private slots:
    void serverFails_data();
    void serverFails();
};

void ServerFaultsTest::serverFails_data()
{
    addRows<JobCase>({
        { .name = "download: control connection closed mid-RETR",
          .scripts = { { "RETR#1", { "150", openData, sendHalf, hangUp } } },
          .outcomes = { "a.dat fail" }, .error = kTimeout },
        { .name = "download: control connection closed mid-RETR in the restart too: one fail line",
          .scripts = { { "RETR", { "150", openData, sendHalf, hangUp } } }, .retries = 1,
          .outcomes = { "a.dat fail" }, .error = kTimeout, .sessions = 2 },
        { .name = "download: control connection closed mid-listing",
          .scripts = { { "NLST", { "150", openData, sendHalf, hangUp } } }, .error = kTimeout },
        { .name = "download: data connection reset half-way, then 426",
          .scripts = { { "RETR#1", { "150", openData, sendHalf, resetData, kAborted.constData() } } },
          .outcomes = kFirstFails },
        { .name = "download: data connection reset half-way, then 226, size unknown",
          .scripts = { { "RETR#1", { "150 Opening data connection.", openData, sendHalf, resetData, "226" } } },
          .outcomes = kFirstFails },
        { .name = "download: 226 after half the size announced",
          .scripts = { { "RETR#1", { "150", openData, sendHalf, closeData, "226" } } }, .outcomes = kFirstFails },
        { .name = "download: PORT refused with 500, then RETR with 425",
          .scripts = { { "PORT#3", { "500 Illegal PORT command." } }, { "RETR#1", { "425 Use PORT or PASV first." } } },
          .outcomes = kFirstFails },
        { .name = "download: the listing's PORT refused with 500, then NLST with 425",
          .scripts = { { "PORT#1", { "500 Illegal PORT command." } }, { "NLST", { "425 Use PORT or PASV first." } } },
          .error = kTimeout },
        // A server that cannot connect to the listener says so at once, well
        // within the program's wait for the data connection.
        { .name = "download: 150, then 425: the data connection never opened",
          .scripts = { { "RETR#1", { "150", delay(5), "425 Can't open data connection." } } },
          .outcomes = kFirstFails },
        { .name = "download: RETR refused with 550",
          .scripts = { { "RETR#1", { "550 Permission denied." } } }, .outcomes = kFirstFails },
        { .name = "download: 150, then no data connection and no reply",
          .scripts = { { "RETR#1", { "150" } } }, .outcomes = kFirstFails },
        { .name = "download: 426 after part of the data, size unknown",
          .scripts = { { "RETR#1", { "150 Opening data connection.", openData, sendHalf, closeData, kAborted.constData() } } },
          .outcomes = kFirstFails },
        { .name = "download: 426 after part of the last file: no DELE as the job ends",
          .scripts = { { "RETR#2", { "150 Opening data connection.", openData, sendHalf, closeData, kAborted.constData() } } },
          .outcomes = { "a.dat pass", "b.dat fail" } },
        { .name = "download: 451 after all of the data",
          .scripts = { { "RETR#1", { "150", openData, sendData, closeData, "451 Local error in processing." } } },
          .outcomes = kFirstFails },
        { .name = "upload: control connection closed mid-STOR", .download = false,
          .scripts = { { "STOR#1", { "150", openData, takeSome, hangUp } } }, .outcomes = { "a.dat fail" } },
        { .name = "upload: data connection reset half-way, then 426", .download = false,
          .scripts = { { "STOR#1", { "150", openData, takeSome, resetData, kAborted.constData() } } },
          .outcomes = kFirstFails },
        { .name = "upload: 426 after part of the data, then a reset", .download = false,
          .scripts = { { "STOR#1", { "150", openData, takeSome, kAborted.constData(), resetData } } },
          .outcomes = kFirstFails },
        { .name = "upload: PORT refused with 500, then STOR with 425", .download = false,
          .scripts = { { "PORT#3", { "500 Illegal PORT command." } }, { "STOR#1", { "425 Use PORT or PASV first." } } },
          .outcomes = kFirstFails },
        { .name = "upload: 150, then 425: the data connection never opened", .download = false,
          .scripts = { { "STOR#1", { "150", delay(5), "425 Can't open data connection." } } },
          .outcomes = kFirstFails },
        { .name = "upload: 426 after all of the data", .download = false,
          .scripts = { { "STOR#1", { "150", openData, takeData, kAborted.constData() } } }, .outcomes = kFirstFails },
        { .name = "upload: 552 after all of the data", .download = false,
          .scripts = { { "STOR#1", { "150", openData, takeData, "552 Exceeded storage allocation." } } },
          .outcomes = kFirstFails },
        { .name = "upload: an empty file refused with 451 after its close", .download = false,
          .files = { { "a.dat", {} }, { "b.dat", faultBytes("b.dat", 3000) } },
          .scripts = { { "STOR#1", { "150", openData, takeData, "451 Local error in processing." } } },
          .outcomes = kFirstFails },
        { .name = "upload: no reply after the data", .download = false,
          .scripts = { { "STOR#1", { "150", openData, takeData } } }, .outcomes = kFirstFails },
        { .name = "upload: no reply after the last file's data: the job still ends", .download = false,
          .scripts = { { "STOR#2", { "150", openData, takeData } } }, .outcomes = { "a.dat pass", "b.dat fail" } },

        // Memory stays bounded: the reply framer holds at most 256 KiB.
        { .name = "a reply of 1 MB without a line end",
          .scripts = { { "PWD", { raw("257 \"/in\"" + QByteArray(kMegabyte, 'x')) } } }, .error = kInvalid },
        { .name = "binary noise", .scripts = { { "CWD", { raw(binaryNoise(64 * 1024)) } } }, .error = kInvalid },
        { .name = "binary noise in answer to RETR",
          .scripts = { { "RETR", { raw(binaryNoise(4096)) } } }, .outcomes = { "a.dat fail" }, .error = kInvalid },
        // Not a socket error: no "Transfer Failed", whatever the retries say.
        { .name = "binary noise in place of the 226 to RETR",
          .scripts = { { "RETR", { "150", openData, sendData, closeData, raw(binaryNoise(4096)) } } },
          .outcomes = { "a.dat fail" }, .error = kInvalid },
        { .name = "binary noise in place of the 226 to STOR", .download = false,
          .scripts = { { "STOR", { "150", openData, takeData, raw(binaryNoise(4096)) } } },
          .outcomes = { "a.dat fail" }, .error = kInvalid },
        { .name = "1 MB of noise in answer to an upload's TYPE I", .download = false,
          .scripts = { { "TYPE#3", { raw(QByteArray(kMegabyte, 'x')) } } }, .error = kInvalid },
        { .name = "a code that is not three digits", .scripts = { { "PASS", { "2x0 Login successful." } } },
          .error = kInvalid },
        { .name = "a code no reply has", .scripts = { { "USER", { "999 Who goes there?" } } }, .error = kInvalid },
        { .name = "a multi-line reply that never ends",
          .scripts = { { "PWD", { "257-\"/in\" is the folder", raw(QByteArray("220-and more\r\n").repeated(40'000)) } } },
          .error = kInvalid },
        { .name = "a multi-line reply that stops before its end",
          .scripts = { { "PWD", { "257-\"/in\" is the folder" } } }, .error = kTimeout },

        // Nothing is written outside the working folder, every refused name
        // leaves a "fail" line, and the ordinary file among them still arrives.
        hostileNames("names that climb out or name a system file", { "../x", "/etc/passwd", "a\\b", "..\\..\\x" },
                     { "../x fail", "..\\..\\x fail", "/etc/passwd fail", "a\\b fail" }),
        // A character below 14 ends a name as a line end does.
        hostileNames("names with control characters",
                     { "bell\x07.dat", "tab\t.dat", QByteArray("nul\0.dat", 8), "del\x7f.dat" },
                     { ".dat fail", "del\x7f.dat fail" }),
        hostileNames("a name of 10,000 characters", { QByteArray(10'000, 'n') },
                     { QString(10'000, QLatin1Char('n')) + " fail" }),
        longListing("100,000 names, all fetched before", true, 100'000),
        longListing("LIST: 1,000 names, all fetched before", false, 1000),
    });
}

void ServerFaultsTest::serverFails()
{
    QFETCH(JobCase, row);
    row.timeScale = kTimeOutScale;
    const auto setUp = row.setUp;
    row.setUp = [setUp](PeerJob& r) {
        if (r.c.download)
            QVERIFY(writeFileBytes(r.job.put.workFile("a.dat"), kOlderCopy));
        if (setUp)
            setUp(r);
    };
    PeerJob run(row);

    run.run();

    run.verify();
    if (row.download && !row.outcomes.contains("a.dat pass"))
        QCOMPARE(fileBytes(run.job.put.workFile("a.dat")), kOlderCopy);
}

QTEST_MAIN(ServerFaultsTest)
#include "tst_server_faults.moc"
