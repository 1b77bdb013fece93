// The settings file format on its own: what one site line holds and in which
// order, what it refuses to hold without breaking the line, which lines it
// rejects, and how a file is written so that a failure never costs the
// previous one.
#include "config/SettingsFormat.h"

#include "support/FileBytes.h"
#include "support/TemporaryCurrentFolder.h"

#include <QDir>
#include <QSaveFile>
#include <QTest>

Q_DECLARE_METATYPE(SiteRecord)

namespace {

// A site whose fields all differ, so that a field in the wrong place shows.
const SiteRecord kSite { "ftp.example.org", "bob", "abc", "/in", "2121", "*.zip", "1", "0", "3", "PM" };

SiteRecord with(QString SiteRecord::*field, const QString& value, SiteRecord site = kSite)
{
    site.*field = value;
    return site;
}

// The line of that site with the password field as given.
QByteArray lineWithPassword(const QByteArray& password)
{
    return R"("ftp.example.org","bob",)" + password + R"(,"/in","2121","*.zip","1","0","3","PM")";
}

// A disk that fills up: the first bytes reach the file, then writing fails.
struct FailingSaveFile : QSaveFile {
    FailingSaveFile(const QString& name, qint64 bytesBeforeFailure) : QSaveFile(name), left(bytesBeforeFailure) {}
    qint64 writeData(const char* data, qint64 length) override
    {
        const qint64 written = QSaveFile::writeData(data, qMin(length, left));
        left -= written;
        return written < length ? -1 : written;
    }
    qint64 left;
};

}

class SettingsFormatTest : public QObject {
    Q_OBJECT

private slots:
    // The line written, and the same line again from what reading it gives
    // (a password left out reads back empty, and is left out again).
    void siteLine_data()
    {
        QTest::addColumn<SiteRecord>("site");
        QTest::addColumn<bool>("recallPassword");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("ten quoted fields, port before pattern, each password code raised by its position")
            << kSite << true << lineWithPassword("\"bdf\"");
        QTest::newRow("Recall PASS off leaves an ordinary user's password out") << kSite << false << lineWithPassword("");
        QTest::newRow("AnOnYmOuS keeps it all the same") << with(&SiteRecord::user, "AnOnYmOuS") << false
            << QByteArray(R"("ftp.example.org","AnOnYmOuS","bdf","/in","2121","*.zip","1","0","3","PM")");
        QTest::newRow("double quotes, line breaks and characters above 255 are left out")
            << with(&SiteRecord::host, "ftp\"x.org", with(&SiteRecord::path, "/in\r\n/out", with(&SiteRecord::pattern, "*.\u20ac")))
            << true << QByteArray(R"("ftpx.org","bob","bdf","/in/out","2121","*.","1","0","3","PM")");
        // Left out rather than changed: a password with a character missing
        // would be a wrong one.
        QTest::newRow("a password raised past 255 is left out") << with(&SiteRecord::password, "\u00ff") << true << lineWithPassword("");
        QTest::newRow("a password raised into a double quote is left out") << with(&SiteRecord::password, "!") << true << lineWithPassword("");
        QTest::newRow("a password holding a double quote is raised away from it")
            << with(&SiteRecord::password, "pa\"ss") << true << lineWithPassword("\"qc%wx\"");
    }

    void siteLine()
    {
        QFETCH(SiteRecord, site);
        QFETCH(bool, recallPassword);
        QFETCH(QByteArray, line);
        QCOMPARE(::siteLine(site, recallPassword), line);
        const auto read = parseSiteLine(line);
        QVERIFY(read);
        QCOMPARE(::siteLine(*read, recallPassword && !read->password.isEmpty()), line);
    }

    // Text after a closing quote, a password that cannot be unscrambled.
    void linesThisProgramDidNotWriteAreRejected()
    {
        for (const QByteArray& line : { QByteArray(R"("h"x,"u","bdf","/in","21","*.*","1","0","3","PM")"),
                                        QByteArray("\"h\",\"u\",\"\x01\x01\",\"/in\",\"21\",\"*.*\",\"1\",\"0\",\"3\",\"PM\"") })
            QVERIFY2(!parseSiteLine(line), line.toPercentEncoding().constData());
    }

    // A file everyone could read is replaced whole by one for its owner
    // alone; a disk that fills up while it is written costs nothing of it.
    void savingASettingsFile_data()
    {
        QTest::addColumn<bool>("saved");
        QTest::newRow("saved") << true;
        QTest::newRow("the disk fills up halfway") << false;
    }

    void savingASettingsFile()
    {
        QFETCH(bool, saved);
        const TemporaryCurrentFolder current;
        QVERIFY(writeFileBytes("valuesd.log", "old\r\n"));
        QVERIFY(QFile::setPermissions("valuesd.log", QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
        FailingSaveFile file("valuesd.log", saved ? 1000 : QByteArray("first\r\nsec").size());
        QCOMPARE(writeSettingsFile(file, { "first", "second" }), saved);
        QCOMPARE(fileBytes("valuesd.log"), saved ? QByteArray("first\r\nsecond\r\n") : QByteArray("old\r\n"));
        QCOMPARE(QDir::current().entryList(QDir::Files), QStringList { "valuesd.log" });
        const auto ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
        QCOMPARE(QFile::permissions("valuesd.log"), saved ? ownerOnly : ownerOnly | QFile::ReadOther);
    }
};

QTEST_GUILESS_MAIN(SettingsFormatTest)
#include "tst_settings_format.moc"
