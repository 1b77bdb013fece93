#include "platform/ClockTexts.h"

#include <QLocale>

namespace {

int hourOf12HourClock(const QTime& time)
{
    const int hour = time.hour() % 12;
    return hour == 0 ? 12 : hour;
}

QString twoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

QString amPm(const QTime& time)
{
    return time.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM");
}

}

QString dateDigits(const QDate& date)
{
    return QStringLiteral("%1%2%3").arg(date.year(), 4, 10, QLatin1Char('0'))
        .arg(twoDigits(date.month()), twoDigits(date.day()));
}

QString dateWithSlashes(const QDate& date)
{
    return QStringLiteral("%1/%2/%3").arg(date.year(), 4, 10, QLatin1Char('0'))
        .arg(twoDigits(date.month()), twoDigits(date.day()));
}

QString timeDigitsAmPm(const QTime& time)
{
    return twoDigits(hourOf12HourClock(time)) + twoDigits(time.minute())
        + twoDigits(time.second()) + QLatin1Char(' ') + amPm(time);
}

QString timeWithColonsAmPm(const QTime& time)
{
    return twoDigits(hourOf12HourClock(time)) + QLatin1Char(':') + twoDigits(time.minute())
        + QLatin1Char(':') + twoDigits(time.second()) + QLatin1Char(' ') + amPm(time);
}

QString weekdayAndDay(const QDate& date)
{
    return QLocale::system().dayName(date.dayOfWeek(), QLocale::ShortFormat)
        + QLatin1Char(' ') + QString::number(date.day());
}

QString monthAbbreviation(const QDate& date)
{
    return QLocale::system().monthName(date.month(), QLocale::ShortFormat);
}
