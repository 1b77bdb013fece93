// The job switches: what switching on refuses and what it arms, for both jobs.
#include "OperatorActions.h"

#include "support/ProgramUnderTest.h"

#include <QtTest>

using namespace operatorActions;

namespace {

// One program second lasts 5 ms: the schedule's minute passes in 0.3 s.
constexpr double kFastTimeScale = 0.005;

Row rowOf(Program& p, bool download)
{
    return download ? downloadRow(p.window) : uploadRow(p.window);
}

QString stateText(Program& p, bool download)
{
    return (download ? p.form.Label6 : p.form.Label7)->text();
}

QString switchedText(bool download, bool on)
{
    return QStringLiteral("%1 %2").arg(download ? "Downloads" : "Uploads", on ? "On" : "Off");
}

}

class JobSwitchesTest : public QObject {
    Q_OBJECT

private slots:
    void switchingOnWithAFieldEmptyIsRefused_data()
    {
        QTest::addColumn<bool>("download");
        QTest::addColumn<QString>("emptied");
        for (const char* field : { "host", "user", "password", "path", "pattern" })
            QTest::addRow("download %s empty", field) << true << QString::fromLatin1(field);
        QTest::newRow("upload host empty") << false << QStringLiteral("host");
        QTest::newRow("upload pattern empty") << false << QStringLiteral("pattern");
    }

    void switchingOnWithAFieldEmptyIsRefused()
    {
        QFETCH(bool, download);
        QFETCH(QString, emptied);
        ProgramUnderTest p;
        QVERIFY(showWindow(p.program.form));
        const Row row = rowOf(p.program, download);
        const SiteFields site { QStringLiteral("h") };
        if (emptied == QLatin1String("host")) {
            // Every field but the host: a row filled in before any site exists.
            type(row.user, site.user);
            type(row.password, site.password);
            type(row.path, site.path);
            type(row.pattern, site.pattern);
            type(row.port, site.port);
        } else {
            typeSite(row, site);
            type(fieldNamed(row, emptied), QString());
        }

        click(row.jobSwitch);

        QCOMPARE(p.program.form.messages.shown(), QStringList { QStringLiteral("One or more fields are empty or incorrect") });
        QVERIFY(!row.jobSwitch->isChecked());
        QCOMPARE(stateText(p.program, download), switchedText(download, false));
        QVERIFY(!row.scheduleTimer.Enabled());
    }

    // The first tick after switching on starts its scan at site 1, whichever
    // site the row shows; switching off makes every site eligible again today.
    void switchingOnArmsTheScheduleFromSiteOne_data()
    {
        QTest::addColumn<bool>("download");
        QTest::newRow("download") << true;
        QTest::newRow("upload") << false;
    }

    void switchingOnArmsTheScheduleFromSiteOne()
    {
        QFETCH(bool, download);
        ProgramUnderTest p(kFastTimeScale);
        QVERIFY(showWindow(p.program.form));
        Row row = rowOf(p.program, download);
        typeSite(row, { QStringLiteral("first") });
        typeSite(row, { .host = QStringLiteral("second"), .pattern = QStringLiteral("*.up") });
        QCOMPARE(row.site.index, 2);
        const QString today = QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
        row.site.lastRunDates[1] = row.site.lastRunDates[2] = today;

        click(row.jobSwitch);
        QCOMPARE(stateText(p.program, download), switchedText(download, true));
        QCOMPARE(p.program.form.messages.shown(), QStringList());
        if (!download)
            QCOMPARE(p.program.engine.File2.Pattern(), QStringLiteral("*.up"));
        QTRY_COMPARE_WITH_TIMEOUT(download ? p.program.engine.schedule.downloadTickCount : p.program.engine.schedule.uploadTickCount, 1, kWaitMs);
        QCOMPARE(row.site.index, 1);

        click(row.jobSwitch);
        QCOMPARE(stateText(p.program, download), switchedText(download, false));
        QVERIFY(!row.scheduleTimer.Enabled());
        QCOMPARE(row.site.lastRunDates[1], QStringLiteral("20000101"));
        QCOMPARE(row.site.lastRunDates[2], QStringLiteral("20000101"));
    }
};

QTEST_MAIN(JobSwitchesTest)
#include "tst_job_switches.moc"
