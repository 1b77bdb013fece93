// Whole jobs against four FTP servers we did not write, as Debian 12 ships
// them (pyftpdlib, vsftpd, proftpd, pure-ftpd), each in both listing forms,
// with sites set up as the window lets the operator set them up: a pattern as
// typed into the pattern field, NLST or LIST chosen in the menu. Every file
// that matches arrives byte for byte on the other side and nothing else is
// sent; the records, logs and window say what happened; nothing is deleted on
// either side unless its transfer was confirmed; and every job ends.
#include "support/FaultChecks.h"
#include "support/RealFtpServer.h"

#include <QtTest>

#include <fnmatch.h>

using Kind = RealFtpServer::Kind;

namespace {

// Monday 22 March 2021.
const QDateTime kNow(QDate(2021, 3, 22), QTime(9, 5, 7));
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

struct TestFile {
    QByteArray name;
    int size = 2000;
    QDateTime modified = {};
};

// One job of the matrix: the files at its source, the server (download) or
// the working folder (upload), the site's pattern and the menu's options.
struct Scenario {
    bool download = true;
    QString pattern = QStringLiteral("*.dat");
    QList<TestFile> files;
    bool deleteAfter = false;
    // When named, a second job on the same program after it appears on the server.
    QByteArray addedLater = {};
    // The login is refused: nothing moves on either side.
    bool wrongPassword = false;
};

// A list as one line, sorted: a failed comparison then shows both whole.
QString listed(QStringList list)
{
    list.sort();
    return list.join(QStringLiteral(" | "));
}

}

Q_DECLARE_METATYPE(Scenario)

class RealServersTest : public QObject {
    Q_OBJECT

private slots:
    void job_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<bool>("nlst");
        QTest::addColumn<Scenario>("s");
        const TestFile a { "a.dat" };
        const QList<std::pair<const char*, Scenario>> matrix {
            { "*.dat: a blank, an accent, 0 B to 1 MiB, a year-old file; other.txt stays",
              { .files = { { "sp ace.dat", 2001 }, { "\xc3\xa9.dat", 1999 }, { "zero.dat", 0 }, { "one.dat", 1, kLongAgo }, a,
                           { "mebi.dat", 1 << 20 }, { "other.txt", 100 } } } },
            { "*: names with parentheses", { .pattern = "*", .files = { { "x (final)" }, { "w(0)", 0 }, { "z(7)" } } } },
            { "an empty folder", {} },
            { "a second run fetches only the new file", { .files = { a }, .addedLater = "new.dat" } },
            { "Delete After DownLoad", { .files = { a, { "b(0).dat" } }, .deleteAfter = true } },
            { "upload *.dat into an empty folder; hidden and other files stay",
              { .download = false, .files = { a, { "sp ace.dat", 1 }, { "zero.dat", 0 }, { ".x.dat.part", 10 }, { "other.txt", 10 } } } },
            { "Delete After UpLoad",
              { .download = false, .files = { a, { "mebi.dat", 1 << 20 }, { "other.txt", 10 } }, .deleteAfter = true } },
        };
        for (const Kind kind : RealFtpServer::kindsUnderTest()) {
            const QByteArray server = RealFtpServer::name(kind).toLatin1();
            for (const bool nlst : { true, false })
                for (const auto& [name, scenario] : matrix)
                    QTest::addRow("%s %s: %s", server.constData(), nlst ? "NLST" : "LIST", name) << kind << nlst << scenario;
            // Every other server refuses a download, the others an upload.
            const bool download = int(kind) % 2 == 0;
            QTest::addRow("%s: a wrong password, %s", server.constData(), download ? "download" : "upload")
                << kind << true << Scenario { .download = download, .files = { a }, .wrongPassword = true };
        }
    }

    // The files start on one side, the source, and those that match go to the
    // other, the destination: the server's root for an upload, the working
    // folder for a download.
    void job()
    {
        QFETCH(Kind, kind);
        QFETCH(bool, nlst);
        QFETCH(Scenario, s);
        RealFtpServer server(kind);
        START_REAL_FTP_SERVER(server);
        JobUnderTest job(s.download, kNow, s.wrongPassword ? kRefusedLoginTimeScale : kTimeScale);
        job.pointSite({ server.host(), server.port(), server.user(), s.wrongPassword ? "not-the-password" : server.password(),
                        "/", s.pattern });
        job.showScheduleDisplay("9AM Active");
        job.p.options.ai_nlst = nlst;
        (s.download ? job.p.options.deleteAfterDownload : job.p.options.deleteAfterUpload) = s.deleteAfter;
        const QString source = s.download ? server.rootPath() : job.p.workPath;
        const QString destination = s.download ? job.p.workPath : server.rootPath();
        FileMap files;
        QStringList passed, kept;
        const auto put = [&](const TestFile& file) {
            const QByteArray bytes = faultBytes(file.name, file.size);
            s.download ? server.putFile(file.name, bytes, file.modified) : (void)writeFileBytesNamed(source, file.name, bytes);
            files.insert(file.name, bytes);
            const bool passes = !s.wrongPassword && ::fnmatch(s.pattern.toUtf8().constData(), file.name.constData(), FNM_PERIOD) == 0;
            (passes ? passed : kept) << QString::fromLatin1(file.name);
            if (passes && !s.deleteAfter)
                kept << QString::fromLatin1(file.name);
        };
        const auto runAndCheck = [&] {
            FaultChecks::runWithin([&job] { job.run(); });
            FaultChecks::verifyConfirmedDeletesOnly(serverView(server), files, job.put, s.download);
            for (const QString& name : passed)
                QVERIFY2(fileBytesNamed(destination, name.toLatin1()) == files.value(name.toLatin1()), qPrintable(name));
            QCOMPARE(listed(folderEntries(destination)), listed(passed));
            QCOMPARE(listed(folderEntries(source)), listed(kept));
            const QString outcomeLog = job.put.logFile(s.download ? "dl_file_size.log" : "fileupl.log");
            QCOMPARE(listed(FaultChecks::outcomesIn(outcomeLog).replaceInStrings(QStringLiteral(" pass"), QString())), listed(passed));
            QCOMPARE(listed(FaultChecks::recordsIn(job.put.logFile(s.download ? "filename2.log" : "fileupl1.log"))), listed(passed));
            QCOMPARE(listed(FaultChecks::errorMessages(job.errorLog())), s.wrongPassword ? "Invalid User/Pass" : "");
            QCOMPARE(job.scheduleDisplay(), s.wrongPassword ? "9AM Login Failed" : "9AM Active");
            QCOMPARE(job.p.caption, QStringLiteral("Tolvane - Idle"));
        };
        for (const TestFile& file : s.files)
            put(file);

        runAndCheck();

        if (s.addedLater.isEmpty() || QTest::currentTestFailed())
            return;
        put({ s.addedLater, 3000 });
        runAndCheck();
    }
};

QTEST_MAIN(RealServersTest)
#include "tst_real_servers.moc"
