// Whole download jobs against a scripted FTP server: the exact commands sent,
// the files that arrive in the working folder, and above all that DELE goes
// out only for a file whose transfer the server confirmed and whose every byte
// reached the local file.
#include "support/PeerJob.h"

#include <QtTest>

using namespace PeerSteps;

namespace {

// The listing, then each file's commands; under "Delete After DownLoad" its
// DELE goes out as the next file begins, the last file's at the end of the job.
QStringList fetched(const QString& listing, const QByteArrayList& names, bool deleted)
{
    QStringList commands { listing, "TYPE A", "PORT" };
    for (const QByteArray& name : names) {
        commands << "TYPE I" << "PORT" << "REST 0" << "RETR " + QString::fromLatin1(name);
        if (deleted)
            commands << "DELE " + QString::fromLatin1(name);
    }
    return commands;
}

QStringList passed(const QByteArrayList& names)
{
    QStringList outcomes;
    for (const QByteArray& name : names)
        outcomes << QString::fromLatin1(name) + " pass";
    return outcomes;
}

// Two files whose listing and transfers follow the script.
JobCase inOrder(const char* name, const PeerScript& script, int firstSize = 3000)
{
    return { .name = name,
             .files = { { "a.dat", faultBytes("a.dat", firstSize) }, { "b.dat", faultBytes("b.dat", 70'000) } },
             .scripts = { { "NLST", script }, { "RETR", script } },
             .commands = fetched("NLST *.dat", { "a.dat", "b.dat" }, true),
             .outcomes = passed({ "a.dat", "b.dat" }) };
}

// Files pass into place through hidden partner files: whatever their names,
// a partner never overwrites a file that passed, and never fails for its
// length.
JobCase named(const char* name, const QByteArrayList& names)
{
    FileMap files;
    for (const QByteArray& file : names)
        files.insert(file, faultBytes(file, 1000));
    return { .name = name, .files = files, .commands = fetched("NLST *.dat", names, true), .outcomes = passed(names) };
}

// The listing for the site's pattern is refused or empty: it goes out once
// more without the pattern, and only the names the pattern matches are
// fetched. A folder still empty ends the job as a success.
JobCase listedAgain(const char* name, bool nlst, const PeerScript& firstAnswer, const QByteArrayList& names)
{
    FileMap files;
    for (const QByteArray& file : names)
        files.insert(file, faultBytes(file, 100));
    const QString verb = nlst ? "NLST" : "LIST";
    QStringList commands = fetched(verb, names.contains("a.dat") ? QByteArrayList { "a.dat" } : QByteArrayList {}, false);
    commands.prepend("PORT");
    commands.prepend(nlst ? "NLST *.dat" : "LIST *.dat *.DAT");
    return { .name = name,
             .files = files,
             .scripts = { { verb.toLatin1() + "#1", firstAnswer } },
             .deleteAfter = false,
             .setUp = [nlst](PeerJob& r) { r.p.options.ai_nlst = nlst; },
             .commands = commands,
             .outcomes = names.isEmpty() ? QStringList() : passed({ "a.dat" }) };
}

}

class RetrievalPeerTest : public QObject {
    Q_OBJECT
private slots:
    void everyFileArrivesWholeBeforeItsDelete_data();
    void everyFileArrivesWholeBeforeItsDelete() { QFETCH(JobCase, row); runJobCase(row); }
    void listingFoundNothingForThePattern_data();
    void listingFoundNothingForThePattern() { QFETCH(JobCase, row); runJobCase(row); }
};

void RetrievalPeerTest::everyFileArrivesWholeBeforeItsDelete_data()
{
    const PeerScript unknownSize { "150 Opening data connection.", openData, sendData, closeData, "226" };
    addRows<JobCase>({
        inOrder("150, then the data connection", { "150", openData, sendData, closeData, "226" }),
        inOrder("150, then the data connection, size unknown", unknownSize),
        inOrder("data connection before the 150", { openData, "150", sendData, closeData, "226" }),
        inOrder("150 and 226 in one chunk after the data", { openData, sendData, closeData, "150\n226" }),
        inOrder("150 and 226 in one chunk after the data, size unknown",
                { openData, sendData, closeData, "150 Opening data connection.\n226" }),
        // The last bytes come long after the program's pause after the 226:
        // they are written before the file is judged, and DELE waits for them.
        inOrder("226 long before the last bytes", { "150", openData, sendHalf, "226", delay(800), sendData, closeData }),
        inOrder("226 long before the last bytes, size unknown",
                { "150 Opening data connection.", openData, sendHalf, "226", delay(800), sendData, closeData }),
        inOrder("226 held until the client closes the data connection", { "150", openData, sendData, takeData, "226" }),
        // proftpd: the end of the file is the server's close, and its 226
        // waits for the client's, listings included.
        inOrder("the server closes first and holds its 226, size unknown",
                { "150 Opening data connection.", openData, sendData, endSending, takeData, "226" }),
        inOrder("the server closes first, an empty file of unknown size",
                { "150 Opening data connection.", openData, sendData, endSending, takeData, "226" }, 0),
        // The data connection must be taken even when the size says nothing
        // will come on it: a server refused its connection answers 425, not 226.
        inOrder("an empty file: 150 (0 bytes), the data connection a moment later",
                { "150", delay(40), openData, sendData, closeData, "226" }, 0),
        inOrder("an empty file: the data connection before the 150 (0 bytes)",
                { openData, "150", sendData, closeData, "226" }, 0),
        named("a listed file named like the next one's partner", { ".a.dat.part", "a.dat" }),
        named("a name too long to go whole into its partner's", { QByteArray(250, 'n') + ".dat" }),
        // A server that spells names in Latin-1 sends bytes that are not
        // UTF-8: each file lands under exactly those bytes, not under a lossy
        // reading of them that two names share.
        named("names that are not UTF-8", { "caf\xe8.dat", "caf\xe9.dat" }),
        named("a file named done, then another", { "done", "z.dat" }),
    });
}

void RetrievalPeerTest::listingFoundNothingForThePattern_data()
{
    const QByteArrayList files { "a.dat", "b.txt", "c.DAT" };
    addRows<JobCase>({
        // proftpd in a folder where nothing matches; pyftpdlib and pure-ftpd,
        // which expand no wildcards in NLST.
        listedAgain("NLST refused with 450", true, { "450 No files found" }, files),
        listedAgain("NLST refused with 550", true, { "550 No such file or directory." }, files),
        // vsftpd and proftpd list nothing for "LIST *.dat *.DAT". In LIST mode
        // the pattern's tail is matched too, case and all.
        listedAgain("LIST answered with an empty listing", false, { "150", openData, closeData, "226" }, files),
        listedAgain("an empty folder: refused, then empty too", true, { "450 No files found" }, {}),
    });
}

QTEST_MAIN(RetrievalPeerTest)
#include "tst_retrieval_peer.moc"
