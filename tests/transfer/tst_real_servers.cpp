// Whole jobs against four FTP servers we did not write, as Debian 12 ships
// them (pyftpdlib, vsftpd, proftpd, pure-ftpd), each in both listing forms,
// with sites set up as the window lets the operator set them up: a pattern as
// typed into the pattern field, NLST or LIST chosen in the menu. Every file
// that matches arrives byte for byte on the other side and nothing else is
// sent; the records, logs and window say what happened; nothing is deleted on
// either side unless its transfer was confirmed; and every job ends.
#include "platform/TextFiles.h"
#include "support/FaultChecks.h"
#include "support/FileBytes.h"
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

// Bytes a text-mode transfer would change: every byte value, CR LF and lone
// LF among them.
QByteArray randomBytes(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator { quint32(size) };
    for (char& byte : bytes)
        byte = char(generator.bounded(256));
    return bytes;
}

struct TestFile {
    QByteArray name;
    QByteArray bytes;
    QDateTime modified = {};
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
    TestFile addedLater = {};
};

bool matches(const QString& pattern, const QByteArray& name)
{
    return ::fnmatch(pattern.toUtf8().constData(), name.constData(), FNM_PERIOD) == 0;
}

// A list as one line, sorted: a failed comparison then shows both whole.
QString listed(QStringList list)
{
    list.sort();
    return list.join(QStringLiteral(" | "));
}

QStringList namesOf(const QList<QByteArray>& names)
{
    QStringList list;
    for (const QByteArray& name : names)
        list << QString::fromLatin1(name);
    return list;
}

QString recordsIn(const QString& log)
{
    return listed(namesOf(readLines(log).value_or(QList<QByteArray> {})));
}

// A job of site 1, pointed at the server's root, as the operator sets it up.
struct ServerJob : JobUnderTest {
    RealFtpServer& server;

    ServerJob(RealFtpServer& server, bool download, bool nlst, const QString& pattern, const QString& password,
              double timeScale = kTimeScale)
        : JobUnderTest(download, kNow, timeScale), server(server)
    {
        pointSite({ server.host(), server.port(), server.user(), password, QStringLiteral("/"), pattern });
        if (!nlst)
            p.options.ai_nlst = false;
        showScheduleDisplay(kScheduleDisplay);
    }

    void run() { FaultChecks::runWithin([this] { JobUnderTest::run(); }); }

    QString outcomeLog() const { return put.logFile(download ? "dl_file_size.log" : "fileupl.log"); }
    QString nameRecord() const { return put.logFile(download ? "filename2.log" : "fileupl1.log"); }
    QString outcomes() const { return listed(FaultChecks::outcomesIn(outcomeLog())); }
    QString errors() const { return listed(FaultChecks::errorMessages(errorLog())); }
};

// The job ended as one that met no fault: nothing in its error log, the
// window idle and the day of the job shown.
void verifyEndedWell(const ServerJob& job)
{
    QCOMPARE(job.errors(), QString());
    QCOMPARE(job.scheduleDisplay(), kScheduleDisplay);
    QCOMPARE(job.lastRunLine(), (job.download ? QStringLiteral("Last Download on ") : QStringLiteral("Last Upload on "))
                                    + QStringLiteral("Mon 22nd Mar"));
    QCOMPARE(job.p.caption, QStringLiteral("Tolvane - Idle"));
}

void verifyLogin(const ServerJob& job)
{
    if (!job.server.logsCommands())
        return;
    QCOMPARE(job.server.commandsReceived().mid(0, 4),
             QStringList({ "USER " + job.server.user(), "PASS <password>", "CWD /", "PWD" }));
}

}

Q_DECLARE_METATYPE(Scenario)

class RealServersTest : public QObject {
    Q_OBJECT
private slots:
    void job_data();
    void job();
    void wrongPassword_data();
    void wrongPassword();

private:
    void runDownload(const Scenario& s, ServerJob& job);
    void runUpload(const Scenario& s, ServerJob& job);
};

void RealServersTest::job_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<bool>("nlst");
    QTest::addColumn<Scenario>("scenario");
    const TestFile a { "a.dat", randomBytes(2000) };
    using Scenarios = QList<std::pair<const char*, Scenario>>;
    // Each in both listing forms: what the listing decides.
    const Scenarios matrix {
        { "*.dat: a blank, an accent, 0 B to 1 MiB, a year-old file; other.txt stays",
          { .files = { { "sp ace.dat", randomBytes(2001) }, { "\xc3\xa9.dat", randomBytes(1999) },
                       { "zero.dat", {} }, { "one.dat", randomBytes(1), kLongAgo }, a,
                       { "mebi.dat", randomBytes(1 << 20) }, { "other.txt", randomBytes(100) } } } },
        { "*: names with parentheses",
          { .pattern = "*", .files = { { "x (final)", randomBytes(2000) }, { "w(0)", {} }, { "z(7)", randomBytes(2000) } } } },
        { "an empty folder", {} },
        { "a second run fetches only the new file", { .files = { a }, .addedLater = { "new.dat", randomBytes(3000) } } },
        { "Delete After DownLoad", { .files = { a, { "b(0).dat", randomBytes(2000) } }, .deleteAfter = true } },
        { "upload *.dat into an empty folder; hidden and other files stay",
          { .download = false,
            .files = { a, { "sp ace.dat", randomBytes(1) }, { "zero.dat", {} }, { ".x.dat.part", randomBytes(10) },
                       { "other.txt", randomBytes(10) } } } },
        { "Delete After UpLoad",
          { .download = false, .files = { a, { "mebi.dat", randomBytes(1 << 20) }, { "other.txt", randomBytes(10) } },
            .deleteAfter = true } },
    };
    // What happens to a file once it is on its way: one listing form is enough.
    const Scenarios nlstOnly {
        { "Download Timestamp: dated local names", { .files = { a, { "b.dat", randomBytes(3) } }, .datedNames = true } },
        { "Delete After DownLoad: the last file cannot take its local name",
          { .files = { { "b.dat", randomBytes(2000) } }, .deleteAfter = true, .blocked = "b.dat" } },
    };
    for (const Kind kind : RealFtpServer::kindsUnderTest()) {
        const QByteArray server = RealFtpServer::name(kind).toLatin1();
        for (const bool nlst : { true, false }) {
            for (const auto& [name, scenario] : nlst ? matrix + nlstOnly : matrix)
                QTest::addRow("%s %s: %s", server.constData(), nlst ? "NLST" : "LIST", name) << kind << nlst << scenario;
        }
    }
}

void RealServersTest::job()
{
    QFETCH(Kind, kind);
    QFETCH(bool, nlst);
    QFETCH(Scenario, scenario);
    RealFtpServer server(kind);
    START_REAL_FTP_SERVER(server);
    ServerJob job(server, scenario.download, nlst, scenario.pattern, server.password());
    if (scenario.deleteAfter)
        (scenario.download ? job.p.options.deleteAfterDownload : job.p.options.deleteAfterUpload) = true;
    if (scenario.datedNames)
        job.p.options.ai_dstamp = true;
    if (scenario.download)
        runDownload(scenario, job);
    else
        runUpload(scenario, job);
}

void RealServersTest::runDownload(const Scenario& s, ServerJob& job)
{
    const auto localName = [&s](const QByteArray& name) {
        return QString::fromLatin1(s.datedNames ? "20210322_" + name : name);
    };
    FileMap served;
    QStringList expectedLocal, expectedOutcomes, passed;
    for (const TestFile& file : s.files) {
        job.server.putFile(file.name, file.bytes, file.modified);
        served.insert(file.name, file.bytes);
        if (!matches(s.pattern, file.name))
            continue;
        const bool blocked = file.name == s.blocked;
        expectedLocal << localName(file.name);
        expectedOutcomes << QString::fromLatin1(file.name) + (blocked ? " fail" : " pass");
        if (!blocked)
            passed << QString::fromLatin1(file.name);
    }
    if (!s.blocked.isEmpty())
        QVERIFY(QDir(job.p.workPath).mkdir(QString::fromLatin1(s.blocked)));

    job.run();

    FaultChecks::verifyDownloadDeletes(serverView(job.server), served, job.put, localName);
    QCOMPARE(job.outcomes(), listed(expectedOutcomes));
    verifyEndedWell(job);
    for (const TestFile& file : s.files) {
        if (passed.contains(QString::fromLatin1(file.name)))
            QVERIFY2(fileBytesNamed(job.p.workPath, localName(file.name).toLatin1()) == file.bytes, file.name.constData());
    }
    QCOMPARE(listed(folderEntries(job.p.workPath)), listed(expectedLocal));
    QCOMPARE(recordsIn(job.nameRecord()), listed(passed));
    for (auto it = served.cbegin(); it != served.cend(); ++it)
        QVERIFY2(job.server.hasFile(it.key()) != (s.deleteAfter && passed.contains(QString::fromLatin1(it.key()))),
                 it.key().constData());
    verifyLogin(job);

    if (s.addedLater.name.isEmpty())
        return;
    job.server.putFile(s.addedLater.name, s.addedLater.bytes);
    job.run();

    QCOMPARE(fileBytesNamed(job.p.workPath, s.addedLater.name), s.addedLater.bytes);
    QCOMPARE(job.outcomes(), listed(expectedOutcomes << QString::fromLatin1(s.addedLater.name) + " pass"));
    verifyEndedWell(job);
}

void RealServersTest::runUpload(const Scenario& s, ServerJob& job)
{
    FileMap local;
    QStringList stored, expectedOutcomes, keptLocally;
    for (const TestFile& file : s.files) {
        QVERIFY(writeFileBytesNamed(job.p.workPath, file.name, file.bytes));
        local.insert(file.name, file.bytes);
        if (matches(s.pattern, file.name)) {
            stored << QString::fromLatin1(file.name);
            expectedOutcomes << QString::fromLatin1(file.name) + " pass";
        }
        if (!s.deleteAfter || !matches(s.pattern, file.name))
            keptLocally << QString::fromLatin1(file.name);
    }

    job.run();

    FaultChecks::verifyUploadRemovals(serverView(job.server), local, job.put);
    QCOMPARE(job.outcomes(), listed(expectedOutcomes));
    verifyEndedWell(job);
    for (const TestFile& file : s.files) {
        if (stored.contains(QString::fromLatin1(file.name)))
            QVERIFY2(job.server.fileBytes(file.name) == file.bytes, file.name.constData());
    }
    QCOMPARE(listed(folderEntries(job.server.rootPath())), listed(stored));
    QCOMPARE(listed(folderEntries(job.p.workPath)), listed(keptLocally));
    QCOMPARE(recordsIn(job.nameRecord()), listed(stored));
    verifyLogin(job);
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
