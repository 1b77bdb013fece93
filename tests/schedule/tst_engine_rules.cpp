// The job switch, decided from the row's fields on an engine without a
// window: a complete row arms the schedule, any fault keeps it off and says
// why; either way the job's sites may all start again today.
#include "schedule/JobSwitch.h"
#include "schedule/ScheduleTick.h"
#include "support/EngineUnderTest.h"

#include <QtTest>

class EngineRulesTest : public QObject {
    Q_OBJECT
private slots:
    void jobSwitch_data()
    {
        QTest::addColumn<bool>("download");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("message");
        for (const bool download : { true, false }) {
            const char* job = download ? "download" : "upload";
            QTest::addRow("%s: a complete row arms the schedule", job) << download << "bob" << "21" << QString();
            QTest::addRow("%s: an empty field keeps it off", job)
                << download << "" << "21" << "One or more fields are empty or incorrect";
            QTest::addRow("%s: a port that is no number keeps it off", job)
                << download << "bob" << "2x" << "Port must be Numeric";
        }
    }

    void jobSwitch()
    {
        QFETCH(bool, download);
        QFETCH(QString, user);
        QFETCH(QString, port);
        QFETCH(QString, message);
        EngineUnderTest t;
        Engine& e = t.engine;
        const JobKind job = download ? JobKind::Download : JobKind::Upload;
        (download ? e.downloadFields : e.uploadFields) = { "ftp.example.org", user, "secret", "/in", "*.dat", port, 0 };
        SiteColumns site = download ? downloadSiteColumns(e.sites) : uploadSiteColumns(e.sites);
        // Ticks ran before: the scan is at site 2 of 3.
        site.count = 3;
        site.index = 2;
        (download ? e.schedule.downloadTickCount : e.schedule.uploadTickCount) = 7;
        site.lastRunDates[1] = QStringLiteral("20240305");

        turnJobSwitch(e, job, true);

        const bool armed = message.isEmpty();
        QCOMPARE((download ? e.Timer1 : e.Timer2).Enabled(), armed);
        QCOMPARE(t.view.switchOn.value(job), armed);
        QCOMPARE(t.view.switchState.value(job), (download ? "Downloads " : "Uploads ") + QString(armed ? "On" : "Off"));
        QCOMPARE(t.view.messages, armed ? QStringList() : QStringList { message });
        // A schedule turned on starts its scan from the first site.
        (download ? downloadScheduleTick : uploadScheduleTick)(e);
        QCOMPARE(site.index, armed ? 1 : 3);

        turnJobSwitch(e, job, false);

        QVERIFY(!(download ? e.Timer1 : e.Timer2).Enabled());
        QVERIFY(site.lastRunDates[1] != QStringLiteral("20240305"));
    }
};

QTEST_GUILESS_MAIN(EngineRulesTest)
#include "tst_engine_rules.moc"
