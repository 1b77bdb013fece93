// Start-up with and without a usable "pather.log", and the close request:
// when it is refused, when it goes ahead, and what it leaves on disk for the
// next start.
#include "app/Program.h"
#include "config/SettingsFiles.h"

#include "support/FileBytes.h"
#include "support/StartedProgram.h"
#include "support/TemporaryCurrentFolder.h"

#include <QDir>
#include <QTest>

namespace {

const QString kWorkPathFile = QStringLiteral("pather.log");

constexpr QFileDevice::Permissions kOthersAndGroup = QFileDevice::ReadGroup | QFileDevice::WriteGroup
    | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;

QByteArray workPathFile(const QString& folder)
{
    return workPathLine(folder) + "\r\n";
}

QString madeFolder(const QString& name)
{
    QDir::current().mkdir(name);
    return QDir::current().absoluteFilePath(name);
}

}

class StartUpClosingTest : public QObject {
    Q_OBJECT

private slots:
    void init() { current.emplace(); }
    void cleanup() { current.reset(); }

    void firstStartInAnEmptyFolder()
    {
        auto p = startedProgram();
        const Form1& f = p->form;
        const QString folder = QDir::currentPath();
        QCOMPARE(fileBytes(kWorkPathFile), workPathFile(folder));
        QCOMPARE(QFile::permissions(kWorkPathFile) & kOthersAndGroup, QFileDevice::Permissions());
        QCOMPARE(p->engine.workPath, folder);
        QCOMPARE(p->engine.File2.Path(), folder);
        QVERIFY(!f.Check1->isChecked());
        QVERIFY(!f.Check2->isChecked());
        for (const Timer* timer : { &p->engine.Timer1, &p->engine.Timer2, &p->engine.Timer3, &p->engine.Timer4, &p->engine.Timerf, &p->engine.Timerg })
            QVERIFY(!timer->Enabled());
        QVERIFY(!QFile::exists(QStringLiteral("valuesd.log")));
        QVERIFY(!QFile::exists(QStringLiteral("valuesu.log")));
    }

    void windowOpensCentredWithItsIcon()
    {
        auto p = startedProgram();
        Form1& f = p->form;
        f.openCentred();
        QVERIFY(f.isVisible());
        // Within the rounding of two centres of whole pixels.
        QVERIFY((f.frameGeometry().center() - f.screen()->availableGeometry().center()).manhattanLength() <= 4);
        QVERIFY(!f.windowIcon().pixmap(48).isNull());
        QCOMPARE(f.windowTitle(), QStringLiteral("Tolvane"));
    }

    // What "pather.log" holds, and the folder start-up works in then: a
    // stored folder only while it exists, the current folder otherwise.
    void storedWorkPath_data()
    {
        QTest::addColumn<bool>("holdsFolder");
        QTest::addColumn<QByteArray>("otherContent");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("a folder that exists is used") << true << QByteArray() << false;
        QTest::newRow("a deleted folder falls back to the current one") << true << QByteArray() << true;
        QTest::newRow("no line at all") << false << QByteArray() << false;
        QTest::newRow("a quote that never closes") << false << QByteArray("\"/tmp\r\n") << false;
        QTest::newRow("binary garbage") << false << QByteArray("\x00\"\xff,\"\x01\r\n", 8) << false;
    }

    void storedWorkPath()
    {
        QFETCH(bool, holdsFolder);
        QFETCH(QByteArray, otherContent);
        QFETCH(bool, deleted);
        const QString stored = madeFolder(QStringLiteral("chosen earlier"));
        QVERIFY(writeFileBytes(kWorkPathFile, holdsFolder ? workPathFile(stored) : otherContent));
        if (deleted)
            QVERIFY(QDir(stored).removeRecursively());
        auto p = startedProgram();
        const QString expected = holdsFolder && !deleted ? stored : QDir::currentPath();
        QCOMPARE(p->engine.workPath, expected);
        QCOMPARE(p->engine.File2.Path(), expected);
        QCOMPARE(p->form.Label15->text(), QStringLiteral("Working Path is ") + expected);
    }

    void closeRequest_data()
    {
        QTest::addColumn<bool>("downloadRunning");
        QTest::addColumn<bool>("uploadRunning");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("exitNow");
        QTest::addColumn<bool>("closes");
        const QString downloading = QStringLiteral("Tolvane- Downloading at 10:00:00");
        QTest::newRow("no job running") << false << false << QStringLiteral("Tolvane") << false << true;
        QTest::newRow("refused while the download job runs") << true << false << downloading << false << false;
        QTest::newRow("refused while the upload job runs")
            << false << true << QStringLiteral("Tolvane- Uploading at 10:00:00") << false << false;
        QTest::newRow("caption Tolvane - Idle lets a job flag through")
            << true << false << QStringLiteral("Tolvane - Idle") << false << true;
        QTest::newRow("eXit Now! while a job runs") << true << true << downloading << true << true;
    }

    void closeRequest()
    {
        QFETCH(bool, downloadRunning);
        QFETCH(bool, uploadRunning);
        QFETCH(QString, caption);
        QFETCH(bool, exitNow);
        QFETCH(bool, closes);
        auto p = startedProgram();
        Form1& f = p->form;
        const SiteRecord site { QStringLiteral("ftp.example.org"), QStringLiteral("bob"), QStringLiteral("abc"),
                                QStringLiteral("/in"), QStringLiteral("2121"), QStringLiteral("*.zip"),
                                QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("PM") };
        SiteColumns download = downloadSiteColumns(p->engine.sites);
        putSite(download, 1, site);
        download.count = 1;
        // The working folder chosen during the run, as the path dialog sets it.
        const QString chosen = madeFolder(QStringLiteral("chosen"));
        p->engine.workPath = chosen;
        p->engine.Timer1.setEnabled(true);
        p->engine.schedule.downloadJobRunning = downloadRunning;
        p->engine.schedule.uploadJobRunning = uploadRunning;
        p->engine.setCaption(caption);
        const QByteArray patherBefore = fileBytes(kWorkPathFile);

        if (exitNow)
            f.ai_exit->trigger();
        else
            f.close();

        if (!closes) {
            QVERIFY(!p->engine.session.appClosing);
            QVERIFY(p->engine.Timer1.Enabled());
            QCOMPARE(p->engine.schedule.downloadJobRunning, downloadRunning);
            QCOMPARE(p->engine.schedule.uploadJobRunning, uploadRunning);
            QVERIFY(!QFile::exists(QStringLiteral("valuesd.log")));
            QCOMPARE(fileBytes(kWorkPathFile), patherBefore);
            return;
        }
        QVERIFY(p->engine.session.appClosing);
        QVERIFY(!p->engine.Timer1.Enabled());
        QCOMPARE(fileBytes(QStringLiteral("valuesd.log")), siteLine(site, true) + "\r\n");
        QCOMPARE(fileBytes(QStringLiteral("valuesu.log")), QByteArray());
        QCOMPARE(fileBytes(kWorkPathFile), workPathFile(chosen));
        p.reset();
        auto next = startedProgram();
        QCOMPARE(next->engine.workPath, chosen);
        QCOMPARE(next->engine.sites.downloadSiteCount, 1);
        QCOMPARE(next->form.Combo2->currentText(), site.host);
    }

private:
    std::optional<TemporaryCurrentFolder> current;
};

QTEST_MAIN(StartUpClosingTest)
#include "tst_startup_closing.moc"
