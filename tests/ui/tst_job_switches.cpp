// The job switches: what switching on refuses and what it arms, for both jobs.
#include "OperatorActions.h"

#include "support/ProgramUnderTest.h"

#include <QtTest>

using namespace operatorActions;

namespace {

// One program second lasts 5 ms: the schedule's minute passes in 0.3 s.
constexpr double kFastTimeScale = 0.005;

const QString kEmptyFieldMessage = QStringLiteral("One or more fields are empty or incorrect");

Row rowOf(Program& p, bool download)
{
    return download ? downloadRow(p) : uploadRow(p);
}

}

class JobSwitchesTest : public QObject {
    Q_OBJECT

private slots:
    void switchingOnWithAFieldEmptyIsRefused_data()
    {
        QTest::addColumn<bool>("download");
        QTest::addColumn<QString>("emptied");
        for (bool download : { true, false }) {
            const char* job = download ? "download" : "upload";
            for (const char* field : { "host", "user", "password", "path", "pattern" })
                QTest::addRow("%s %s empty", job, field) << download << QString::fromLatin1(field);
        }
    }

    void switchingOnWithAFieldEmptyIsRefused()
    {
        QFETCH(bool, download);
        QFETCH(QString, emptied);
        ProgramUnderTest p;
        QVERIFY(showWindow(p.program.form));
        const Row row = rowOf(p.program, download);
        SiteFields site { QStringLiteral("h") };
        QLineEdit* field = emptied == QLatin1String("user") ? row.user
            : emptied == QLatin1String("password")           ? row.password
            : emptied == QLatin1String("path")               ? row.path
            : emptied == QLatin1String("pattern")            ? row.pattern
                                                             : nullptr;
        if (field) {
            typeSite(row, site);
            type(field, QString());
        } else {
            // Every field but the host: a row filled in before any site exists.
            type(row.user, site.user);
            type(row.password, site.password);
            type(row.path, site.path);
            type(row.pattern, site.pattern);
            type(row.port, site.port);
        }

        click(row.jobSwitch);

        QCOMPARE(p.program.messages.shown(), QStringList { kEmptyFieldMessage });
        QVERIFY(!row.jobSwitch->isChecked());
        QCOMPARE(row.stateLabel->text(), row.switchedOffText);
        QVERIFY(!row.scheduleTimer.Enabled());
    }

    // The port field's own handler puts "21" in place of any text that is not
    // a number, on every change, so the switch never finds a port that is not
    // numeric: the operator sees the port repaired and the switch goes on.
    void aPortThatIsNotANumberIsRepairedBeforeTheSwitchSeesIt_data()
    {
        QTest::addColumn<bool>("download");
        QTest::addColumn<QString>("typed");
        for (bool download : { true, false }) {
            const char* job = download ? "download" : "upload";
            QTest::addRow("%s 2x", job) << download << QStringLiteral("2x");
            QTest::addRow("%s letters only", job) << download << QStringLiteral("x");
            QTest::addRow("%s emptied", job) << download << QString();
        }
    }

    void aPortThatIsNotANumberIsRepairedBeforeTheSwitchSeesIt()
    {
        QFETCH(bool, download);
        QFETCH(QString, typed);
        ProgramUnderTest p;
        QVERIFY(showWindow(p.program.form));
        const Row row = rowOf(p.program, download);
        typeSite(row, { QStringLiteral("h") });

        type(row.port, typed);
        QCOMPARE(row.port->text(), QStringLiteral("21"));
        click(row.jobSwitch);

        QCOMPARE(p.program.messages.shown(), QStringList());
        QVERIFY(row.jobSwitch->isChecked());
        QCOMPARE(row.stateLabel->text(), row.switchedOnText);
        QCOMPARE(row.site.ports[1], QStringLiteral("21"));
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
        QCOMPARE(row.stateLabel->text(), row.switchedOnText);
        QCOMPARE(p.program.messages.shown(), QStringList());
        if (!download)
            QCOMPARE(p.program.form.File2.Pattern(), QStringLiteral("*.up"));
        QTRY_COMPARE_WITH_TIMEOUT(row.tickCount, 1, kWaitMs);
        QCOMPARE(row.site.index, 1);

        click(row.jobSwitch);
        QCOMPARE(row.stateLabel->text(), row.switchedOffText);
        QVERIFY(!row.scheduleTimer.Enabled());
        QCOMPARE(row.site.lastRunDates[1], QStringLiteral("20000101"));
        QCOMPARE(row.site.lastRunDates[2], QStringLiteral("20000101"));
    }
};

QTEST_MAIN(JobSwitchesTest)
#include "tst_job_switches.moc"
