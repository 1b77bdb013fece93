// The time texts of the logs and captions: the 12-hour clock's two traps
// (noon is 12 PM, midnight 12 AM) and the padding. The dates show in the
// error log lines and last-run lines of the job-run test.
#include "platform/ClockTexts.h"

#include <QTest>

class ClockTextsTest : public QObject {
    Q_OBJECT

private slots:
    void timeTexts()
    {
        for (const auto& [time, withColons] : {
                 // Noon to 12:59 is 12 PM, midnight 12 AM.
                 std::pair(QTime(12, 59, 59), "12:59:59 PM"),
                 { QTime(0, 0, 0), "12:00:00 AM" },
                 // An hour in the afternoon is padded: 01 PM.
                 { QTime(13, 0, 5), "01:00:05 PM" } }) {
            QCOMPARE(timeWithColonsAmPm(time), withColons);
            QCOMPARE(timeDigitsAmPm(time), QString(withColons).remove(QLatin1Char(':')));
        }
    }
};

QTEST_GUILESS_MAIN(ClockTextsTest)
#include "tst_clock_texts.moc"
