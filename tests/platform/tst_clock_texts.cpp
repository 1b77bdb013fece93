// The date and time texts of the logs, names and captions: the 12-hour
// clock's two traps (noon is 12 PM, midnight 12 AM) and the padding.
#include "platform/ClockTexts.h"

#include <QLocale>
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

    void dateTexts()
    {
        const QDate date(2002, 1, 5);
        QCOMPARE(dateDigits(date), QStringLiteral("20020105"));
        QCOMPARE(dateWithSlashes(date), QStringLiteral("2002/01/05"));
        QCOMPARE(weekdayAndDay(date), QLocale::system().dayName(6, QLocale::ShortFormat) + QStringLiteral(" 5"));
    }
};

QTEST_GUILESS_MAIN(ClockTextsTest)
#include "tst_clock_texts.moc"
