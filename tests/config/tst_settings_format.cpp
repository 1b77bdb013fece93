// The settings file format on its own: what one site line holds and in which
// order, what it refuses to hold without breaking the line, which lines it
// rejects, and how a file is written so that a failure never costs the
// previous one.
#include "config/SettingsFormat.h"

#include "support/FileBytes.h"
#include "support/TemporaryCurrentFolder.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTest>

Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

const QString kFile = QStringLiteral("valuesd.log");

QStringList valuesOf(const SiteRecord& r)
{
    return { r.host, r.user, r.password, r.path, r.port, r.pattern, r.dupeFlag, r.activeFlag, r.hour, r.amPm };
}

SiteRecord recordOf(const QStringList& v)
{
    return { v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9] };
}

// A site whose fields are all different, so a field in the wrong place shows.
QStringList aSite(const QString& user = QStringLiteral("bob"), const QString& password = QStringLiteral("abc"))
{
    return { QStringLiteral("ftp.example.org"), user, password, QStringLiteral("/in"), QStringLiteral("2121"),
             QStringLiteral("*.zip"), QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("3"),
             QStringLiteral("PM") };
}

QStringList with(QStringList site, int field, const QString& value)
{
    site[field] = value;
    return site;
}

constexpr int kHost = 0, kPassword = 2, kPath = 3, kPattern = 5;

QString latin1(const char* bytes)
{
    return QString::fromLatin1(bytes);
}

void writeRaw(const QString& name, const QByteArray& bytes, QFileDevice::Permissions permissions)
{
    QVERIFY(writeFileBytes(name, bytes));
    QVERIFY(QFile::setPermissions(name, permissions));
}

// A disk that fills up: the first bytes reach the file, then writing fails.
class FailingSaveFile : public QSaveFile {
public:
    FailingSaveFile(const QString& name, qint64 bytesBeforeFailure) : QSaveFile(name), left(bytesBeforeFailure) {}

protected:
    qint64 writeData(const char* data, qint64 length) override
    {
        if (length <= left) {
            left -= length;
            return QSaveFile::writeData(data, length);
        }
        QSaveFile::writeData(data, left);
        left = 0;
        return -1;
    }

private:
    qint64 left;
};

constexpr QFileDevice::Permissions kOthersAndGroup = QFileDevice::ReadGroup | QFileDevice::WriteGroup
    | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;

}

class SettingsFormatTest : public QObject {
    Q_OBJECT

private slots:
    void init() { current.emplace(); }
    void cleanup() { current.reset(); }

    void scramble_data()
    {
        QTest::addColumn<QString>("plain");
        QTest::addColumn<std::optional<QString>>("stored");
        QTest::newRow("abc is stored as bdf") << QStringLiteral("abc") << std::optional(QStringLiteral("bdf"));
        QTest::newRow("highest code still fits") << latin1("\xfe") << std::optional(latin1("\xff"));
        QTest::newRow("code would pass 255") << latin1("\xff") << std::optional<QString>();
        QTest::newRow("position pushes a late character past 255")
            << QString(140, QLatin1Char('z')) << std::optional<QString>();
        QTest::newRow("character above 255") << QStringLiteral("pa\u20acss") << std::optional<QString>();
    }

    void scramble()
    {
        QFETCH(QString, plain);
        QFETCH(std::optional<QString>, stored);
        QCOMPARE(scramblePassword(plain), stored);
        if (stored)
            QCOMPARE(unscramblePassword(*stored), std::optional(plain));
    }

    void lineHoldsTenQuotedFieldsPortBeforePattern()
    {
        QCOMPARE(siteLine(recordOf(aSite()), true),
                 QByteArray(R"("ftp.example.org","bob","bdf","/in","2121","*.zip","1","0","3","PM")"));
    }

    void passwordRule_data()
    {
        QTest::addColumn<bool>("recallPassword");
        QTest::addColumn<QString>("user");
        QTest::addColumn<bool>("stored");
        QTest::newRow("Recall PASS on keeps every password") << true << QStringLiteral("bob") << true;
        QTest::newRow("Recall PASS off omits an ordinary user's") << false << QStringLiteral("bob") << false;
        QTest::newRow("AnOnYmOuS keeps it in any case") << false << QStringLiteral("AnOnYmOuS") << true;
        QTest::newRow("a user that only contains anonymous does not")
            << false << QStringLiteral("anonymous2") << false;
    }

    void passwordRule()
    {
        QFETCH(bool, recallPassword);
        QFETCH(QString, user);
        QFETCH(bool, stored);
        const QByteArray line = siteLine(recordOf(aSite(user)), recallPassword);
        QCOMPARE(line.contains(",\"bdf\","), stored);
        QCOMPARE(line.contains(",,"), !stored);
        const auto read = parseSiteLine(line);
        QVERIFY(read);
        QCOMPARE(read->password, stored ? QStringLiteral("abc") : QString());
        QCOMPARE(read->path, QStringLiteral("/in"));
    }

    void unholdableValuesNeverBreakTheLine_data()
    {
        QTest::addColumn<QStringList>("written");
        QTest::addColumn<QStringList>("readBack");
        QTest::addColumn<bool>("passwordOmitted");
        const QStringList site = aSite();
        QTest::newRow("double quote in the host left out")
            << with(site, kHost, QStringLiteral("ftp\"x.org")) << with(site, kHost, QStringLiteral("ftpx.org"))
            << false;
        QTest::newRow("line breaks in the path left out")
            << with(site, kPath, QStringLiteral("/in\r\n/out")) << with(site, kPath, QStringLiteral("/in/out"))
            << false;
        QTest::newRow("character above 255 in the pattern left out")
            << with(site, kPattern, QStringLiteral("*.\u20ac")) << with(site, kPattern, QStringLiteral("*."))
            << false;
        QTest::newRow("Latin-1 characters, commas and blanks are held")
            << with(site, kHost, latin1(" caf\xe9,\xff\x80 ")) << with(site, kHost, latin1(" caf\xe9,\xff\x80 "))
            << false;
        QTest::newRow("password scrambled past 255 omitted")
            << with(site, kPassword, latin1("ab\xff")) << with(site, kPassword, QString()) << true;
        QTest::newRow("password scrambled into a double quote omitted")
            << with(site, kPassword, QStringLiteral("!")) << with(site, kPassword, QString()) << true;
        // Scrambling moves it away from the codes the line cannot hold, so the
        // password is stored whole rather than silently changed.
        QTest::newRow("password holding a double quote kept whole")
            << with(site, kPassword, QStringLiteral("pa\"ss")) << with(site, kPassword, QStringLiteral("pa\"ss"))
            << false;
    }

    void unholdableValuesNeverBreakTheLine()
    {
        QFETCH(QStringList, written);
        QFETCH(QStringList, readBack);
        QFETCH(bool, passwordOmitted);
        const QByteArray line = siteLine(recordOf(written), true);
        QVERIFY(!line.contains('\r'));
        QVERIFY(!line.contains('\n'));
        QCOMPARE(line.contains(",,"), passwordOmitted);
        const auto read = parseSiteLine(line);
        QVERIFY(read);
        QCOMPARE(valuesOf(*read), readBack);
    }

    void linesThisProgramDidNotWriteAreRejected_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("fewer than ten fields") << QByteArray(R"("h","u","bdf","/in","21","*.*","1","0","3")");
        // Not a raw string: moc's tokenizer miscounts the quotes of an odd one.
        QTest::newRow("missing closing quote")
            << QByteArray("\"h\",\"u\",\"bdf\",\"/in\",\"21\",\"*.*\",\"1\",\"0\",\"3\",\"PM");
        QTest::newRow("text after a closing quote")
            << QByteArray(R"("h"x,"u","bdf","/in","21","*.*","1","0","3","PM")");
        QTest::newRow("binary garbage") << QByteArray("\x00\xff\x01\"\x02,,\xfe\x7f", 10);
        QTest::newRow("password that cannot be unscrambled")
            << QByteArray("\"h\",\"u\",\"\x01\x01\",\"/in\",\"21\",\"*.*\",\"1\",\"0\",\"3\",\"PM\"");
    }

    void linesThisProgramDidNotWriteAreRejected()
    {
        QFETCH(QByteArray, line);
        QVERIFY(!parseSiteLine(line));
    }

    void workPath_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("readBack");
        QTest::newRow("plain folder") << QStringLiteral("/home/op/in") << QStringLiteral("/home/op/in");
        QTest::newRow("blanks, commas and characters outside Latin-1 kept")
            << QStringLiteral("/srv/a b,c/caf\u00e9 \u65e5\u672c")
            << QStringLiteral("/srv/a b,c/caf\u00e9 \u65e5\u672c");
        QTest::newRow("double quotes and line breaks left out")
            << QStringLiteral("/srv/\"q\"\r\nb") << QStringLiteral("/srv/qb");
    }

    void workPath()
    {
        QFETCH(QString, folder);
        QFETCH(QString, readBack);
        const QByteArray line = workPathLine(folder);
        QVERIFY(!line.contains('\r'));
        QVERIFY(!line.contains('\n'));
        QCOMPARE(parseWorkPathLine(line), std::optional(readBack));
    }

    void writtenFileIsWholeAndOwnerOnly_data()
    {
        QTest::addColumn<bool>("replacing");
        QTest::newRow("new file") << false;
        QTest::newRow("replacing a file everyone could read") << true;
    }

    void writtenFileIsWholeAndOwnerOnly()
    {
        QFETCH(bool, replacing);
        if (replacing)
            writeRaw(kFile, "old\r\n", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                         | QFileDevice::ReadOther);
        QSaveFile file(kFile);
        QVERIFY(writeSettingsFile(file, { "first", "second" }));
        QCOMPARE(fileBytes(kFile), QByteArray("first\r\nsecond\r\n"));
        QCOMPARE(QFile::permissions(kFile) & kOthersAndGroup, QFileDevice::Permissions());
    }

    void failedSaveKeepsThePreviousFile_data()
    {
        QTest::addColumn<qint64>("bytesBeforeFailure");
        QTest::newRow("fails inside the first line") << qint64(5);
        QTest::newRow("fails inside the last line") << qint64(QByteArray("first\r\nsec").size());
    }

    void failedSaveKeepsThePreviousFile()
    {
        QFETCH(qint64, bytesBeforeFailure);
        const QByteArray previous("\"kept\",\"u\",\"bdf\",\"/in\",\"21\",\"*.*\",\"1\",\"0\",\"3\",\"PM\"\r\n");
        writeRaw(kFile, previous, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        FailingSaveFile file(kFile, bytesBeforeFailure);
        QVERIFY(!writeSettingsFile(file, { "first", "second" }));
        QCOMPARE(fileBytes(kFile), previous);
        QCOMPARE(QDir::current().entryList(QDir::Files), QStringList { kFile });
    }

private:
    std::optional<TemporaryCurrentFolder> current;
};

QTEST_GUILESS_MAIN(SettingsFormatTest)
#include "tst_settings_format.moc"
