// The time texts of the logs and captions: the 12-hour clock's two traps
// (noon is 12 PM, midnight 12 AM) and the padding. The dates show in the
// error log lines and last-run lines of the job-run test.
#include "platform/ClockTexts.h"

#include <QTest>

class ClockTextsTest : public QObject {
    Q_OBJECT

private slots:
    void timeTexts_data()
    {
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QString>("withColons");
        QTest::newRow("noon to 12:59 is 12 PM") << QTime(12, 59, 59) << "12:59:59 PM";
        QTest::newRow("midnight is 12 AM") << QTime(0, 0, 0) << "12:00:00 AM";
        QTest::newRow("the last second before noon is 11 AM") << QTime(11, 59, 59) << "11:59:59 AM";
        QTest::newRow("one in the afternoon is 01 PM") << QTime(13, 0, 5) << "01:00:05 PM";
    }

    void timeTexts()
    {
        QFETCH(QTime, time);
        QFETCH(QString, withColons);
        QCOMPARE(timeWithColonsAmPm(time), withColons);
        QCOMPARE(timeDigitsAmPm(time), QString(withColons).remove(QLatin1Char(':')));
    }

};

QTEST_GUILESS_MAIN(ClockTextsTest)
#include "tst_clock_texts.moc"
