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
QStringList fetched(const QString& listing, const QByteArrayList& names, bool deleted = true)
{
    QStringList commands { listing, "TYPE A", "PORT" };
    for (const QByteArray& name : names) {
        commands << "TYPE I" << "PORT" << "REST 0" << "RETR " + QString::fromLatin1(name);
        if (deleted)
            commands << "DELE " + QString::fromLatin1(name);
    }
    return commands;
}

JobCase passing(const char* name, const QByteArrayList& names, const QByteArrayList& sizes,
                const QHash<QByteArray, PeerScript>& scripts = {})
{
    JobCase c { .name = name, .scripts = scripts, .commands = fetched("NLST *.dat", names) };
    c.files.clear();
    for (qsizetype i = 0; i < names.size(); ++i) {
        c.files.insert(names[i], faultBytes(names[i], sizes.value(i, sizes.last()).toInt()));
        c.outcomes << QString::fromLatin1(names[i]) + " pass";
    }
    return c;
}

// Two files whose listing and transfers follow the script.
JobCase inOrder(const char* name, const PeerScript& script, const char* firstSize = "3000")
{
    return passing(name, { "a.dat", "b.dat" }, { firstSize, "70000" }, { { "NLST", script }, { "RETR", script } });
}

// The listing for the site's pattern is refused or empty: it goes out once
// more without the pattern, and only the names the pattern matches are
// fetched. A folder still empty ends the job as a success.
JobCase listedAgain(const char* name, bool nlst, const PeerScript& firstAnswer, const QByteArrayList& names)
{
    const QByteArray verb = nlst ? "NLST" : "LIST";
    JobCase c = passing(name, names, { "100" }, { { verb + "#1", firstAnswer } });
    const QByteArrayList matched = names.mid(0, names.contains("a.dat") ? 1 : 0);
    c.outcomes = c.outcomes.mid(0, matched.size());
    c.commands = QStringList { nlst ? "NLST *.dat" : "LIST *.dat *.DAT", "PORT" } + fetched(verb, matched, false);
    c.deleteAfter = false;
    c.setUp = [nlst](PeerJob& r) { r.p.options.ai_nlst = nlst; };
    return c;
}

}

class RetrievalPeerTest : public QObject {
    Q_OBJECT
private slots:
    void everyFileArrivesWholeBeforeItsDelete_data();
    void everyFileArrivesWholeBeforeItsDelete() { QFETCH(JobCase, row); runJobCase(row); }
};

void RetrievalPeerTest::everyFileArrivesWholeBeforeItsDelete_data()
{
    const PeerStep unknownSize = "150 Opening data connection.";
    const QByteArrayList files { "a.dat", "b.txt", "c.DAT" };
    addRows<JobCase>({
        inOrder("150 and 226 in one chunk after the data, size unknown",
                { openData, sendData, closeData, "150 Opening data connection.\n226" }),
        // The last bytes come long after the program's pause after the 226:
        // they are written before the file is judged, and DELE waits for them.
        inOrder("226 long before the last bytes, size unknown",
                { unknownSize, openData, sendHalf, "226", delay(800), sendData, closeData }),
        inOrder("226 held until the client closes the data connection", { "150", openData, sendData, takeData, "226" }),
        // proftpd: the end of the file is the server's close, and its 226
        // waits for the client's, listings included.
        inOrder("the server closes first and holds its 226, size unknown",
                { unknownSize, openData, sendData, endSending, takeData, "226" }),
        inOrder("the server closes first, an empty file of unknown size",
                { unknownSize, openData, sendData, endSending, takeData, "226" }, "0"),
        // The data connection must be taken even when the size says nothing
        // will come on it: a server refused its connection answers 425, not 226.
        inOrder("an empty file: 150 (0 bytes), the data connection a moment later",
                { "150", delay(40), openData, sendData, closeData, "226" }, "0"),
        // Files pass into place through hidden partner files: whatever their
        // names, a partner never overwrites a file that passed, and never
        // fails for its length.
        passing("a listed file named like the next one's partner", { ".a.dat.part", "a.dat" }, { "1000" }),
        passing("a name too long to go whole into its partner's", { QByteArray(250, 'n') + ".dat" }, { "1000" }),
        // A server that spells names in Latin-1 sends bytes that are not
        // UTF-8: each file lands under exactly those bytes, not under a lossy
        // reading of them that two names share.
        passing("names that are not UTF-8", { "caf\xe8.dat", "caf\xe9.dat" }, { "1000" }),
        passing("a file named done, then another", { "done", "z.dat" }, { "1000" }),
        // proftpd in a folder where nothing matches; pyftpdlib and pure-ftpd,
        // which expand no wildcards in NLST.
        listedAgain("NLST refused with 450", true, { "450 No files found" }, files),
        // vsftpd and proftpd list nothing for "LIST *.dat *.DAT". In LIST mode
        // the pattern's tail is matched too, case and all.
        listedAgain("LIST answered with an empty listing", false, { "150", openData, closeData, "226" }, files),
        listedAgain("an empty folder: refused, then empty too", true, { "450 No files found" }, {}),
    });
}

QTEST_MAIN(RetrievalPeerTest)
#include "tst_retrieval_peer.moc"
