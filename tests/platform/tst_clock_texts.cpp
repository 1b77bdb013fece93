#include "platform/ClockTexts.h"

#include <QLocale>
#include <QTest>

class ClockTextsTest : public QObject {
    Q_OBJECT

private slots:
    void timeTexts_data()
    {
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QString>("digits");
        QTest::addColumn<QString>("withColons");
        QTest::newRow("noon is 12 PM") << QTime(12, 0, 0) << "120000 PM" << "12:00:00 PM";
        QTest::newRow("last minute of noon hour is 12 PM") << QTime(12, 59, 59) << "125959 PM" << "12:59:59 PM";
        QTest::newRow("midnight is 12 AM") << QTime(0, 0, 0) << "120000 AM" << "12:00:00 AM";
        QTest::newRow("last second before noon is 11 AM") << QTime(11, 59, 59) << "115959 AM" << "11:59:59 AM";
        QTest::newRow("one in the afternoon is 01 PM") << QTime(13, 0, 5) << "010005 PM" << "01:00:05 PM";
        QTest::newRow("morning hour padded to two digits") << QTime(9, 30, 5) << "093005 AM" << "09:30:05 AM";
    }

    void timeTexts()
    {
        QFETCH(QTime, time);
        QFETCH(QString, digits);
        QFETCH(QString, withColons);
        QCOMPARE(timeDigitsAmPm(time), digits);
        QCOMPARE(timeWithColonsAmPm(time), withColons);
    }

    void dateTexts_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("digits");
        QTest::addColumn<QString>("withSlashes");
        QTest::addColumn<QString>("dayOfMonth");
        QTest::newRow("two-digit month and day") << QDate(2002, 10, 15) << "20021015" << "2002/10/15" << "15";
        QTest::newRow("month and day padded, day of month not") << QDate(2002, 1, 5) << "20020105" << "2002/01/05" << "5";
    }

    void dateTexts()
    {
        QFETCH(QDate, date);
        QFETCH(QString, digits);
        QFETCH(QString, withSlashes);
        QFETCH(QString, dayOfMonth);
        QCOMPARE(dateDigits(date), digits);
        QCOMPARE(dateWithSlashes(date), withSlashes);
        const QString weekday = QLocale::system().dayName(date.dayOfWeek(), QLocale::ShortFormat);
        QCOMPARE(weekdayAndDay(date), weekday + QLatin1Char(' ') + dayOfMonth);
    }
};

QTEST_GUILESS_MAIN(ClockTextsTest)
#include "tst_clock_texts.moc"
