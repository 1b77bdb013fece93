// The site-time arithmetic of the schedule: the 12-hour clock's two traps
// (12 AM is midnight, 12 PM is noon) and the half-day flip at 12.
#include "config/SiteTables.h"
#include "schedule/SiteTime.h"

#include <QTest>

class SiteTimeTest : public QObject {
    Q_OBJECT

private slots:
    void notAhead_data();
    void notAhead();
    void advance_data();
    void advance();
};

void SiteTimeTest::notAhead_data()
{
    QTest::addColumn<QString>("tickHour");
    QTest::addColumn<QString>("tickHalf");
    QTest::addColumn<QString>("siteHour");
    QTest::addColumn<QString>("siteHalf");
    QTest::addColumn<bool>("notAhead");
    QTest::newRow("the same hour is not behind") << "9" << "AM" << "9" << "AM" << false;
    QTest::newRow("an earlier site is behind") << "9" << "AM" << "8" << "AM" << true;
    QTest::newRow("a later site in the same half is ahead") << "9" << "AM" << "10" << "AM" << false;
    QTest::newRow("12 PM is noon, after 11 AM, in the other half") << "11" << "AM" << "12" << "PM" << true;
    QTest::newRow("12 AM is midnight, before 11 PM") << "11" << "PM" << "12" << "AM" << true;
    QTest::newRow("12 PM is noon, not midnight: 1 PM is ahead") << "12" << "PM" << "1" << "PM" << false;
    QTest::newRow("12 AM is midnight, not noon: 1 AM is ahead") << "12" << "AM" << "1" << "AM" << false;
    QTest::newRow("a later site in the other half counts as not ahead") << "10" << "AM" << "3" << "PM" << true;
}

void SiteTimeTest::notAhead()
{
    QFETCH(QString, tickHour);
    QFETCH(QString, tickHalf);
    QFETCH(QString, siteHour);
    QFETCH(QString, siteHalf);
    QFETCH(bool, notAhead);
    QCOMPARE(siteTimeNotAhead(tickHour, tickHalf, siteHour, siteHalf), notAhead);
}

void SiteTimeTest::advance_data()
{
    QTest::addColumn<QString>("hour");
    QTest::addColumn<QString>("half");
    QTest::addColumn<QString>("siteHalf");
    QTest::addColumn<QString>("nextHour");
    QTest::addColumn<QString>("nextHalf");
    QTest::newRow("9 AM to 10 AM") << "9" << "AM" << "AM" << "10" << "AM";
    QTest::newRow("11 AM to 12 PM: the half flips at 12") << "11" << "AM" << "AM" << "12" << "PM";
    QTest::newRow("12 PM to 1 PM: the half stays after 12") << "12" << "PM" << "PM" << "1" << "PM";
    QTest::newRow("11 PM to 12 AM") << "11" << "PM" << "PM" << "12" << "AM";
    QTest::newRow("12 AM to 1 AM") << "12" << "AM" << "AM" << "1" << "AM";
    QTest::newRow("a leading zero in the hour is dropped") << "09" << "PM" << "PM" << "10" << "PM";
    // The re-check after a job: a tick at 10 AM moves a site set to 3 PM.
    QTest::newRow("the hour given, in its own half, not the site's") << "10" << "AM" << "PM" << "11" << "AM";
    QTest::newRow("the tick's 12 PM after a job past noon: 1 PM") << "12" << "PM" << "AM" << "1" << "PM";
}

// The tick's re-check passes the tick's own hour, not the site's: the current
// site takes the hour after the one passed, in that hour's half of the day;
// its neighbours keep theirs.
void SiteTimeTest::advance()
{
    QFETCH(QString, hour);
    QFETCH(QString, half);
    QFETCH(QString, siteHalf);
    QFETCH(QString, nextHour);
    QFETCH(QString, nextHalf);
    SiteTables tables;
    SiteColumns site = uploadSiteColumns(tables);
    site.count = 3;
    site.index = 2;
    for (size_t slot : { 1, 2, 3 }) {
        site.hours[slot] = QStringLiteral("5");
        site.amPm[slot] = slot == 2 ? siteHalf : QStringLiteral("AM");
    }

    advanceSiteTime(site, hour, half);

    QCOMPARE(site.hours[2], nextHour);
    QCOMPARE(site.amPm[2], nextHalf);
    for (size_t slot : { 1, 3 })
        QCOMPARE(site.hours[slot] + site.amPm[slot], QStringLiteral("5AM"));
    QCOMPARE(tables.downloadHours[2], QString());
}

QTEST_GUILESS_MAIN(SiteTimeTest)
#include "tst_site_time.moc"
