// The job switch on an engine without a window (what the row shows, and the
// fields that keep the switch off, are the row-fields and headless tests'): a
// schedule turned on starts its scan from the first site, and one turned off
// lets the job's sites all start again today.
#include "schedule/JobSwitch.h"
#include "schedule/ScheduleTick.h"
#include "support/EngineUnderTest.h"

#include <QtTest>

class EngineRulesTest : public QObject {
    Q_OBJECT
private slots:
    void jobSwitch()
    {
        for (const bool download : { true, false }) {
            EngineUnderTest t;
            Engine& e = t.engine;
            const JobKind job = download ? JobKind::Download : JobKind::Upload;
            (download ? e.downloadFields : e.uploadFields) = { "ftp.example.org", "bob", "secret", "/in", "*.dat", "21", 0 };
            SiteColumns site = download ? downloadSiteColumns(e.sites) : uploadSiteColumns(e.sites);
            // Ticks ran before: the scan is at site 2 of 3, and site 1 ran today.
            site.count = 3;
            site.index = 2;
            (download ? e.schedule.downloadTickCount : e.schedule.uploadTickCount) = 7;
            site.lastRunDates[1] = QStringLiteral("20240305");

            QVERIFY(turnJobSwitch(e, job, true));
            (download ? downloadScheduleTick : uploadScheduleTick)(e);
            QCOMPARE(site.index, 1);

            QVERIFY(!turnJobSwitch(e, job, false));
            QVERIFY(!(download ? e.Timer1 : e.Timer2).Enabled());
            QVERIFY(site.lastRunDates[1] != QStringLiteral("20240305"));
        }
    }
};

QTEST_GUILESS_MAIN(EngineRulesTest)
#include "tst_engine_rules.moc"
