// Start-up and closing: the window opening, the working folder "pather.log"
// names, and the site files start-up reads and closing writes.
#include "ui/OperatorActions.h"

#include <QScreen>

class StartUpClosingTest : public QObject {
    Q_OBJECT

private slots:
    // A stored folder is used only while it exists; the current one otherwise.
    void storedWorkPath_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::newRow("a folder that exists is used, blanks, commas and all") << "a b,c/caf\u00e9 \u65e5\u672c";
        QTest::newRow("a deleted folder gives way to the current one") << "deleted";
    }

    void storedWorkPath()
    {
        QFETCH(QString, stored);
        const TemporaryCurrentFolder current;
        const QString earlier = QDir::current().absoluteFilePath(stored);
        QVERIFY(writeFileBytes("pather.log", workPathLine(earlier) + "\r\n"));
        const bool exists = stored != "deleted";
        QVERIFY(!exists || QDir::current().mkpath(stored));
        Program program;
        program.form.messages.recordInsteadOfShowing();
        startUp(program);
        QCOMPARE(program.engine.File2.Path(), exists ? earlier : QDir::currentPath());
    }

    // Start-up reads each table whole into its own row of the window, which
    // opens centred with its icon, and closing writes it back as it was.
    void twoHundredSitesComeBackAsTheyWent()
    {
        ProgramUnderTest t(goodLines("down", kMaxSites), goodLines("up", kMaxSites));
        Program& p = t.program;
        // Within the rounding of two centres of whole pixels.
        QVERIFY((p.form.frameGeometry().center() - p.form.screen()->availableGeometry().center()).manhattanLength() <= 4);
        QVERIFY(!p.form.windowIcon().pixmap(48).isNull());
        for (const auto& [row, prefix] : { std::pair { downloadRow(p.window), "down" }, { uploadRow(p.window), "up" } }) {
            const SiteRecord first = variedSite(prefix, 1);
            QCOMPARE(rowShows(row), (QStringList { first.host, first.user, first.password, first.path, first.pattern, first.port, "2PM InActive" }));
            QCOMPARE(itemsOf(row.hostList), hostsOf(row.site));
        }
        QVERIFY(QFile::remove("valuesd.log") && QFile::remove("valuesu.log"));
        p.form.close();
        QCOMPARE(fileBytes("valuesd.log"), goodLines("down", kMaxSites));
        QCOMPARE(fileBytes("valuesu.log"), goodLines("up", kMaxSites));
    }
};

QTEST_MAIN(StartUpClosingTest)
#include "tst_startup_closing.moc"
