// The site-time arithmetic of the schedule: the 12-hour clock's two traps
// (12 AM is midnight, 12 PM is noon) and the half-day flip at 12.
#include "config/SiteTables.h"
#include "schedule/SiteTime.h"

#include <QTest>

class SiteTimeTest : public QObject {
    Q_OBJECT

private slots:
    void notAhead_data()
    {
        QTest::addColumn<QStringList>("tickAndSite");
        QTest::addColumn<bool>("notAhead");
        QTest::newRow("the same hour is not behind") << QStringList { "9", "AM", "9", "AM" } << false;
        QTest::newRow("an earlier site is behind") << QStringList { "9", "AM", "8", "AM" } << true;
        QTest::newRow("a later site in the same half is ahead") << QStringList { "9", "AM", "10", "AM" } << false;
        QTest::newRow("a later site in the other half is not ahead") << QStringList { "10", "AM", "3", "PM" } << true;
        QTest::newRow("12 PM is noon, not midnight: 1 PM is ahead") << QStringList { "12", "PM", "1", "PM" } << false;
        QTest::newRow("12 AM is midnight, not noon: 1 AM is ahead") << QStringList { "12", "AM", "1", "AM" } << false;
    }

    void notAhead()
    {
        QFETCH(QStringList, tickAndSite);
        QFETCH(bool, notAhead);
        QCOMPARE(siteTimeNotAhead(tickAndSite[0], tickAndSite[1], tickAndSite[2], tickAndSite[3]), notAhead);
    }

    // The re-check after a job gives the tick's hour, whose half may differ
    // from the site's own.
    void advance_data()
    {
        QTest::addColumn<QStringList>("hourHalfAndSiteHalf");
        QTest::addColumn<QString>("next");
        QTest::newRow("9 AM to 10 AM, in the half given, not the site's") << QStringList { "9", "AM", "PM" } << "10AM";
        QTest::newRow("11 AM to 12 PM: the half flips at 12") << QStringList { "11", "AM", "AM" } << "12PM";
        QTest::newRow("11 PM to 12 AM") << QStringList { "11", "PM", "PM" } << "12AM";
        QTest::newRow("12 PM to 1 PM: the half stays after 12") << QStringList { "12", "PM", "AM" } << "1PM";
        QTest::newRow("a leading zero in the hour is dropped") << QStringList { "09", "PM", "PM" } << "10PM";
    }

    // The current site takes the hour after the one given, in that hour's
    // half of the day.
    void advance()
    {
        QFETCH(QStringList, hourHalfAndSiteHalf);
        QFETCH(QString, next);
        SiteTables tables;
        SiteColumns site = uploadSiteColumns(tables);
        site.count = site.index = 1;
        site.amPm[1] = hourHalfAndSiteHalf[2];

        advanceSiteTime(site, hourHalfAndSiteHalf[0], hourHalfAndSiteHalf[1]);

        QCOMPARE(site.hours[1] + site.amPm[1], next);
    }
};

QTEST_GUILESS_MAIN(SiteTimeTest)
#include "tst_site_time.moc"
