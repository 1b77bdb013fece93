// Whole jobs against four FTP servers we did not write, as Debian 12 ships
// them (pyftpdlib, vsftpd, proftpd, pure-ftpd), each in both listing forms,
// with sites set up as the window lets the operator set them up: a pattern as
// typed into the pattern field, NLST or LIST chosen in the menu. Every file
// that matches arrives byte for byte on the other side and nothing else is
// sent; the records, logs and window say what happened; nothing is deleted on
// either side unless its transfer was confirmed; and every job ends.
#include "platform/TextFiles.h"
#include "support/FaultChecks.h"
#include "support/RealFtpServer.h"

#include <QRandomGenerator>
#include <QtTest>

#include <fnmatch.h>

using Kind = RealFtpServer::Kind;

namespace {

// Monday 22 March 2021.
const QDateTime kNow(QDate(2021, 3, 22), QTime(9, 5, 7));
const QString kScheduleDisplay = QStringLiteral("9AM Active");
// Listed with a year instead of a time, as any file older than six months.
const QDateTime kLongAgo(QDate(2020, 1, 1), QTime(12, 0));
// One program second is 20 real milliseconds: the fixed pauses of a job (9 s
// at its start and after each file, 5 s after the listing) pass quickly, and
// a server's slowest answer (a session forked, a mebibyte sent) still takes
// far less than the shortest wait it must beat, the 6 s a data connection
// may take.
constexpr double kTimeScale = 0.02;
// pyftpdlib, vsftpd and pure-ftpd answer a wrong password only after some 3
// real seconds, a pause against password guessing, which at the scale above
// would come close to the supervision's bound.
constexpr double kRefusedLoginTimeScale = 0.05;

// Bytes a text-mode transfer would change, every byte value, CR LF and lone
// LF among them, and different for every name.
QByteArray randomBytes(const QByteArray& name, int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator { quint32(qHash(name)) };
    for (char& byte : bytes)
        byte = char(generator.bounded(256));
    return bytes;
}

struct TestFile {
    QByteArray name;
    int size = 2000;
    QDateTime modified = {};
    QByteArray bytes() const { return randomBytes(name, size); }
};

// One job of the matrix: the files on the server (download) or in the
// working folder (upload), the site's pattern and the menu's options.
struct Scenario {
    bool download = true;
    QString pattern = QStringLiteral("*.dat");
    QList<TestFile> files;
    bool deleteAfter = false;
    // "Download Timestamp": each file lands under the date and its name.
    bool datedNames = false;
    // A folder of this name in the working folder, where the file would land.
    QByteArray blocked = {};
    // When named, a second job on the same program after it appears on the server.
    QByteArray addedLater = {};
};

// A list as one line, sorted: a failed comparison then shows both whole.
QString listed(QStringList list)
{
    list.sort();
    return list.join(QStringLiteral(" | "));
}

// A job of site 1, pointed at the server's root, as the operator sets it up.
struct ServerJob : JobUnderTest {
    RealFtpServer& server;

    ServerJob(RealFtpServer& server, bool download, bool nlst, const QString& pattern, const QString& password,
              double timeScale = kTimeScale)
        : JobUnderTest(download, kNow, timeScale), server(server)
    {
        pointSite({ server.host(), server.port(), server.user(), password, QStringLiteral("/"), pattern });
        p.options.ai_nlst = nlst;
        showScheduleDisplay(kScheduleDisplay);
    }

    void run() { FaultChecks::runWithin([this] { JobUnderTest::run(); }); }

    QString outcomeLog() const { return put.logFile(download ? "dl_file_size.log" : "fileupl.log"); }
    QString outcomes() const { return listed(FaultChecks::outcomesIn(outcomeLog())); }
    QString errors() const { return listed(FaultChecks::errorMessages(errorLog())); }
    QString recordedNames() const
    {
        QStringList names;
        for (const QByteArray& name : readLines(put.logFile(download ? "filename2.log" : "fileupl1.log")).value_or(QList<QByteArray> {}))
            names << QString::fromLatin1(name);
        return listed(names);
    }

    // Ended as a job that met no fault: nothing in its error log, the window
    // idle and the day of the job shown; logged in as the site says.
    void verifyEndedWell() const
    {
        QCOMPARE(errors(), QString());
        QCOMPARE(scheduleDisplay(), kScheduleDisplay);
        QCOMPARE(lastRunLine(), QStringLiteral("Last %1 on Mon 22nd Mar").arg(download ? "Download" : "Upload"));
        QCOMPARE(p.caption, QStringLiteral("Tolvane - Idle"));
        if (server.logsCommands())
            QCOMPARE(server.commandsReceived().mid(0, 4),
                     QStringList({ "USER " + server.user(), "PASS <password>", "CWD /", "PWD" }));
    }
};

}

Q_DECLARE_METATYPE(Scenario)

class RealServersTest : public QObject {
    Q_OBJECT
private slots:
    void job_data();
    void job();
    void wrongPassword_data();
    void wrongPassword();
};

void RealServersTest::job_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<bool>("nlst");
    QTest::addColumn<Scenario>("scenario");
    const TestFile a { "a.dat" };
    using Scenarios = QList<std::pair<const char*, Scenario>>;
    // Each in both listing forms: what the listing decides.
    const Scenarios matrix {
        { "*.dat: a blank, an accent, 0 B to 1 MiB, a year-old file; other.txt stays",
          { .files = { { "sp ace.dat", 2001 }, { "\xc3\xa9.dat", 1999 }, { "zero.dat", 0 }, { "one.dat", 1, kLongAgo },
                       a, { "mebi.dat", 1 << 20 }, { "other.txt", 100 } } } },
        { "*: names with parentheses", { .pattern = "*", .files = { { "x (final)" }, { "w(0)", 0 }, { "z(7)" } } } },
        { "an empty folder", {} },
        { "a second run fetches only the new file", { .files = { a }, .addedLater = "new.dat" } },
        { "Delete After DownLoad", { .files = { a, { "b(0).dat" } }, .deleteAfter = true } },
        { "upload *.dat into an empty folder; hidden and other files stay",
          { .download = false,
            .files = { a, { "sp ace.dat", 1 }, { "zero.dat", 0 }, { ".x.dat.part", 10 }, { "other.txt", 10 } } } },
        { "Delete After UpLoad",
          { .download = false, .files = { a, { "mebi.dat", 1 << 20 }, { "other.txt", 10 } }, .deleteAfter = true } },
    };
    // What happens to a file once it is on its way: one listing form is enough.
    const Scenarios nlstOnly {
        { "Download Timestamp: dated local names", { .files = { a, { "b.dat", 3 } }, .datedNames = true } },
        { "Delete After DownLoad: the last file cannot take its local name",
          { .files = { { "b.dat" } }, .deleteAfter = true, .blocked = "b.dat" } },
    };
    for (const Kind kind : RealFtpServer::kindsUnderTest()) {
        const QByteArray server = RealFtpServer::name(kind).toLatin1();
        for (const bool nlst : { true, false }) {
            for (const auto& [name, scenario] : nlst ? matrix + nlstOnly : matrix)
                QTest::addRow("%s %s: %s", server.constData(), nlst ? "NLST" : "LIST", name) << kind << nlst << scenario;
        }
    }
}

// The files start on one side, the source, and those that match go to the
// other, the destination: the server's root for an upload, the working
// folder for a download.
void RealServersTest::job()
{
    QFETCH(Kind, kind);
    QFETCH(bool, nlst);
    QFETCH(Scenario, scenario);
    const Scenario& s = scenario;
    RealFtpServer server(kind);
    START_REAL_FTP_SERVER(server);
    ServerJob job(server, s.download, nlst, s.pattern, server.password());
    (s.download ? job.p.options.deleteAfterDownload : job.p.options.deleteAfterUpload) = s.deleteAfter;
    job.p.options.ai_dstamp = s.datedNames;
    const QString source = s.download ? server.rootPath() : job.p.workPath;
    const QString destination = s.download ? job.p.workPath : server.rootPath();
    const auto destinationName = [&s](const QByteArray& name) {
        return QString::fromLatin1(s.datedNames ? "20210322_" + name : name);
    };
    FileMap files;
    QStringList outcomes, passed, kept, arrived;
    for (const TestFile& file : s.files) {
        s.download ? server.putFile(file.name, file.bytes(), file.modified)
                   : (void)writeFileBytesNamed(source, file.name, file.bytes());
        files.insert(file.name, file.bytes());
        const QString name = QString::fromLatin1(file.name);
        const bool matches = ::fnmatch(s.pattern.toUtf8().constData(), file.name.constData(), FNM_PERIOD) == 0;
        const bool passes = matches && file.name != s.blocked;
        if (matches) {
            outcomes << name + (passes ? " pass" : " fail");
            arrived << destinationName(file.name);
        }
        if (passes)
            passed << name;
        if (!passes || !s.deleteAfter)
            kept << name;
    }
    if (!s.blocked.isEmpty())
        QVERIFY(QDir(destination).mkdir(QString::fromLatin1(s.blocked)));

    job.run();

    if (s.download)
        FaultChecks::verifyDownloadDeletes(serverView(server), files, job.put, destinationName);
    else
        FaultChecks::verifyUploadRemovals(serverView(server), files, job.put);
    QCOMPARE(job.outcomes(), listed(outcomes));
    job.verifyEndedWell();
    for (const QString& name : passed)
        QVERIFY2(fileBytesNamed(destination, destinationName(name.toLatin1()).toLatin1()) == files.value(name.toLatin1()),
                 qPrintable(name));
    QCOMPARE(listed(folderEntries(destination)), listed(arrived));
    QCOMPARE(listed(folderEntries(source)), listed(kept));
    QCOMPARE(job.recordedNames(), listed(passed));

    if (s.addedLater.isEmpty())
        return;
    server.putFile(s.addedLater, randomBytes(s.addedLater, 3000));
    job.run();

    QCOMPARE(fileBytesNamed(destination, s.addedLater), randomBytes(s.addedLater, 3000));
    QCOMPARE(job.outcomes(), listed(outcomes << QString::fromLatin1(s.addedLater) + " pass"));
    job.verifyEndedWell();
}

void RealServersTest::wrongPassword_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<bool>("download");
    bool download = true;
    for (const Kind kind : RealFtpServer::kindsUnderTest()) {
        QTest::addRow("%s: %s job", qPrintable(RealFtpServer::name(kind)), download ? "download" : "upload")
            << kind << download;
        download = !download;
    }
}

// The login is refused: the schedule display and the error log say so, and
// nothing moves on either side.
void RealServersTest::wrongPassword()
{
    QFETCH(Kind, kind);
    QFETCH(bool, download);
    RealFtpServer server(kind);
    START_REAL_FTP_SERVER(server);
    server.putFile("a.dat", "served");
    ServerJob job(server, download, true, QStringLiteral("*.dat"), QStringLiteral("not-the-password"),
                  kRefusedLoginTimeScale);
    QVERIFY(writeFileBytes(job.put.workFile("b.dat"), "local"));

    job.run();

    QCOMPARE(job.scheduleDisplay(), QStringLiteral("9AM Login Failed"));
    QCOMPARE(job.errors(), QStringLiteral("Invalid User/Pass"));
    QCOMPARE(folderEntries(job.p.workPath), QStringList { "b.dat" });
    QCOMPARE(folderEntries(server.rootPath()), QStringList { "a.dat" });
    QVERIFY(!QFile::exists(job.outcomeLog()));
}

QTEST_MAIN(RealServersTest)
#include "tst_real_servers.moc"
