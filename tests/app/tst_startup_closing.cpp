// Start-up and closing: the working folder "pather.log" names, the site files
// start-up reads and closing writes, and when the close request is refused.
#include "support/FileBytes.h"
#include "support/SampleSites.h"
#include "support/StartedProgram.h"
#include "support/TemporaryCurrentFolder.h"

#include <QDir>
#include <QScreen>
#include <QTest>

class StartUpClosingTest : public QObject {
    Q_OBJECT

private slots:
    void init() { current.emplace(); }
    void cleanup() { current.reset(); }

    void windowOpensCentredWithItsIcon()
    {
        auto p = startedProgram();
        p->form.openCentred();
        // Within the rounding of two centres of whole pixels.
        QVERIFY((p->form.frameGeometry().center() - p->form.screen()->availableGeometry().center()).manhattanLength() <= 4);
        QVERIFY(!p->form.windowIcon().pixmap(48).isNull());
    }

    // A stored folder is used only while it exists; the current one otherwise.
    void storedWorkPath_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::newRow("a folder that exists is used") << "earlier";
        QTest::newRow("a deleted folder gives way to the current one") << "deleted";
        QTest::newRow("binary garbage, its quote never closed") << "garbage";
    }

    void storedWorkPath()
    {
        QFETCH(QString, stored);
        const QString earlier = QDir::current().absoluteFilePath(stored);
        QVERIFY(writeFileBytes("pather.log", stored == "garbage" ? QByteArray("\x00\"\xff,\x01\r\n", 7) : workPathLine(earlier) + "\r\n"));
        QVERIFY(stored != "earlier" || QDir::current().mkdir(stored));
        auto p = startedProgram();
        const QString expected = stored == "earlier" ? earlier : QDir::currentPath();
        QCOMPARE(p->engine.File2.Path(), expected);
        QCOMPARE(p->form.Label15->text(), "Working Path is " + expected);
    }

    // Start-up reads each table whole, and closing writes it back as it was.
    void twoHundredSitesComeBackAsTheyWent()
    {
        QVERIFY(writeFileBytes("valuesd.log", goodLines("down", kMaxSites)));
        QVERIFY(writeFileBytes("valuesu.log", goodLines("up", kMaxSites)));
        auto p = startedProgram();
        const SiteRecord d = variedSite("down", 1);
        QCOMPARE(rowShows(downloadRow(p->window)), (QStringList { d.host, d.user, d.password, d.path, d.pattern, d.port, "2PM InActive" }));
        QCOMPARE(itemsOf(p->form.Combo2), hostsOf(downloadSiteColumns(p->engine.sites)));
        QVERIFY(QFile::remove("valuesd.log") && QFile::remove("valuesu.log"));
        QVERIFY(closeRequested(*p));
        QCOMPARE(fileBytes("valuesd.log"), goodLines("down", kMaxSites));
        QCOMPARE(fileBytes("valuesu.log"), goodLines("up", kMaxSites));
    }

    void onlyTheUploadFileFillsTheUploadRow()
    {
        QVERIFY(writeFileBytes("valuesd.log", {}));
        const SiteRecord first { "up.example.org", "carol", "s3cret", "/out", "2121", "*.txt", "1", "1", "3", "PM" };
        QVERIFY(writeFileBytes("valuesu.log", siteLine(first, true) + "\r\n" + goodLines("up", 1)));
        auto p = startedProgram();
        QCOMPARE(itemsOf(p->form.Combo3), (QStringList { first.host, variedSite("up", 1).host }));
        QCOMPARE(rowShows(uploadRow(p->window)), (QStringList { first.host, "carol", "s3cret", "/out", "*.txt", "2121", "3PM Active" }));
        QCOMPARE(itemsOf(p->form.Combo2), QStringList());
        QCOMPARE(rowShows(downloadRow(p->window)), (QStringList { {}, {}, {}, {}, {}, {}, "Not Set" }));
    }

    // A job running refuses the window's close unless the caption says idle;
    // a close that goes ahead saves the sites and the working folder.
    void closeRequest_data()
    {
        QTest::addColumn<bool>("downloadRunning");
        QTest::addColumn<bool>("uploadRunning");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("closes");
        QTest::newRow("no job running") << false << false << "Tolvane" << true;
        QTest::newRow("the download job runs") << true << false << "Tolvane- Downloading at 10:00:00" << false;
        QTest::newRow("the upload job runs") << false << true << "Tolvane- Uploading at 10:00:00" << false;
        QTest::newRow("Tolvane - Idle lets a job flag through") << true << false << "Tolvane - Idle" << true;
    }

    void closeRequest()
    {
        QFETCH(bool, downloadRunning);
        QFETCH(bool, uploadRunning);
        QFETCH(QString, caption);
        QFETCH(bool, closes);
        auto p = startedProgram();
        SiteColumns download = downloadSiteColumns(p->engine.sites);
        putSite(download, ++download.count, variedSite("down", 1));
        // The working folder chosen during the run, as the path dialog sets it.
        QVERIFY(QDir::current().mkdir("chosen"));
        p->engine.workPath = QDir::current().absoluteFilePath("chosen");
        p->engine.schedule.downloadJobRunning = downloadRunning;
        p->engine.schedule.uploadJobRunning = uploadRunning;
        p->engine.setCaption(caption);

        p->form.close();

        QCOMPARE(fileBytes("valuesd.log"), closes ? goodLines("down", 1) : QByteArray("<missing>"));
        QCOMPARE(fileBytes("valuesu.log"), closes ? QByteArray() : QByteArray("<missing>"));
        QCOMPARE(readWorkPath(), closes ? p->engine.workPath : QDir::currentPath());
    }

private:
    std::optional<TemporaryCurrentFolder> current;
};

QTEST_MAIN(StartUpClosingTest)
#include "tst_startup_closing.moc"
