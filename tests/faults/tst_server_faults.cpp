// The server fails in the middle of a job, against a scripted peer: the
// control connection closes, the data connection resets or never opens, the
// server refuses a transfer after part or all of its data, falls silent,
// sends what is not an FTP reply, or lists names that are no safe local file
// name. Every case: the job ends within its bound, nothing is deleted on
// either side unless its transfer was confirmed, a log line says what
// happened, and an older local copy of a file that failed is kept whole.
#include "support/PeerJob.h"

#include <QtTest>

using namespace PeerSteps;

namespace {

// The supervision counts ticks, not seconds: a smaller scale only makes a
// time-out come sooner.
constexpr double kTimeOutScale = 0.005;
const QByteArray kOlderCopy = "an older copy of a.dat";
const PeerStep kAborted = "426 Connection closed; transfer aborted.";
const QString kTimeout = QStringLiteral("Timeout Error");
const QString kInvalid = QStringLiteral("Invalid Reply");

// The first of two files (the first one larger than a read or an upload
// chunk) goes as the script says, and fails; the second arrives.
JobCase firstFails(const char* name, bool download, const PeerScript& script, const QStringList& outcomes = kFirstFails)
{
    return { .name = name, .download = download, .scripts = { { download ? "RETR#1" : "STOR#1", script } },
             .outcomes = outcomes };
}

// The session fails at a command: nothing is transferred.
JobCase sessionFails(const char* name, const QByteArray& at, const PeerScript& script, const QString& error)
{
    return { .name = name, .scripts = { { at, script } }, .error = error };
}

// A listing of names fetched before, then the file that is new.
JobCase longListing(const char* name, bool nlst, int count)
{
    return { .name = name, .files = { { "new.dat", faultBytes("new.dat", 3000) } },
             .setUp = [nlst, count](PeerJob& r) {
                 r.p.options.ai_nlst = nlst;
                 for (int i = 0; i < count; ++i) {
                     const QByteArray fetched = "got-" + QByteArray::number(i).rightJustified(6, '0') + ".dat";
                     r.peer.files.insert(fetched, {});
                     r.p.transfer.downloadedNames.record(QString::fromLatin1(fetched));
                 }
             },
             .outcomes = { "new.dat pass" } };
}

}

class ServerFaultsTest : public QObject {
    Q_OBJECT
private slots:
    void serverFails_data();
    void serverFails();
};

void ServerFaultsTest::serverFails_data()
{
    // Every byte value; none of its lines begins with a code.
    const QByteArray noise = '\0' + faultBytes("noise", 4096).replace('\n', "\n\xff");
    addRows<JobCase>({
        { .name = "download: control connection closed mid-RETR in the restart too: one fail line",
          .scripts = { { "RETR", { "150", openData, sendHalf, hangUp } } }, .retries = 1, .outcomes = { "a.dat fail" },
          .error = kTimeout, .sessions = 2 },
        sessionFails("download: control connection closed mid-listing", "NLST", { "150", openData, sendHalf, hangUp },
                     kTimeout),
        firstFails("download: data connection reset half-way, then 426", true,
                   { "150", openData, sendHalf, resetData, kAborted }),
        firstFails("download: data connection reset half-way, then 226, size unknown", true,
                   { "150 Opening data connection.", openData, sendHalf, resetData, "226" }),
        firstFails("download: 226 after half the size announced", true, { "150", openData, sendHalf, closeData, "226" }),
        { .name = "download: PORT refused with 500, then RETR with 425",
          .scripts = { { "PORT#3", { "500 Illegal PORT command." } }, { "RETR#1", { "425 Use PORT or PASV first." } } },
          .outcomes = kFirstFails },
        { .name = "download: the listing's PORT refused with 500, then NLST with 425",
          .scripts = { { "PORT#1", { "500 Illegal PORT command." } }, { "NLST", { "425 Use PORT or PASV first." } } },
          .error = kTimeout },
        // A server that cannot connect to the listener says so at once, well
        // within the program's wait for the data connection.
        firstFails("download: 150, then 425: the data connection never opened", true,
                   { "150", delay(5), "425 Can't open data connection." }),
        firstFails("download: RETR refused with 550", true, { "550 Permission denied." }),
        firstFails("download: 150, then no data connection and no reply", true, { "150" }),
        { .name = "download: 426 after part of the last file: no DELE as the job ends",
          .scripts = { { "RETR#2", { "150 Opening data connection.", openData, sendHalf, closeData, kAborted } } },
          .outcomes = { "a.dat pass", "b.dat fail" } },
        firstFails("download: 451 after all of the data", true,
                   { "150", openData, sendData, closeData, "451 Local error in processing." }),
        firstFails("upload: control connection closed mid-STOR", false, { "150", openData, takeSome, hangUp },
                   { "a.dat fail" }),
        { .name = "upload: PORT refused with 500, then STOR with 425", .download = false,
          .scripts = { { "PORT#3", { "500 Illegal PORT command." } }, { "STOR#1", { "425 Use PORT or PASV first." } } },
          .outcomes = kFirstFails },
        firstFails("upload: 552 after all of the data", false,
                   { "150", openData, takeData, "552 Exceeded storage allocation." }),
        firstFails("upload: no reply after the data", false, { "150", openData, takeData }),
        { .name = "upload: no reply after the last file's data: the job still ends", .download = false,
          .scripts = { { "STOR#2", { "150", openData, takeData } } }, .outcomes = { "a.dat pass", "b.dat fail" } },

        // Memory stays bounded: the reply framer holds at most 256 KiB.
        sessionFails("a reply of 1 MB without a line end", "PWD", { raw("257 \"/in\"" + QByteArray(1024 * 1024, 'x')) },
                     kInvalid),
        // Not a socket error: no "Transfer Failed", whatever the retries say.
        { .name = "binary noise in place of the 226 to RETR",
          .scripts = { { "RETR", { "150", openData, sendData, closeData, raw(noise) } } },
          .outcomes = { "a.dat fail" }, .error = kInvalid },
        { .name = "binary noise in place of the 226 to STOR", .download = false,
          .scripts = { { "STOR", { "150", openData, takeData, raw(noise) } } },
          .outcomes = { "a.dat fail" }, .error = kInvalid },
        sessionFails("a code that is not three digits", "PASS", { "2x0 Login successful." }, kInvalid),
        sessionFails("a code no reply has", "USER", { "999 Who goes there?" }, kInvalid),
        sessionFails("a multi-line reply that never ends", "PWD",
                     { "257-\"/in\" is the folder", raw(QByteArray("220-and more\r\n").repeated(40'000)) }, kInvalid),
        sessionFails("a multi-line reply that stops before its end", "PWD", { "257-\"/in\" is the folder" }, kTimeout),

        // Nothing is written outside the working folder, every refused name
        // leaves a "fail" line, and the ordinary file among them still arrives.
        // A character below 14 ends a name as a line end does.
        { .name = "names that climb out, name a system file, hold control characters or run long",
          .files = { { "ok.dat", faultBytes("ok.dat", 3000) }, { "../x", "x" }, { "/etc/passwd", "x" }, { "a\\b", "x" },
                     { "..\\..\\x", "x" }, { "bell\x07.dat", "x" }, { "tab\t.dat", "x" }, { QByteArray("nul\0.dat", 8), "x" },
                     { "del\x7f.dat", "x" }, { QByteArray(10'000, 'n'), "x" } },
          .outcomes = { "../x fail", "..\\..\\x fail", "/etc/passwd fail", "a\\b fail", ".dat fail", "del\x7f.dat fail",
                        QString(10'000, QLatin1Char('n')) + " fail", "ok.dat pass" } },
        longListing("100,000 names, all fetched before", true, 100'000),
        longListing("LIST: 1,000 names, all fetched before", false, 1000),
    });
}

void ServerFaultsTest::serverFails()
{
    QFETCH(JobCase, row);
    row.timeScale = kTimeOutScale;
    row.setUp = [setUp = row.setUp](PeerJob& r) {
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
