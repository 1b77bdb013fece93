#pragma once

#include <QDate>
#include <QString>
#include <QTime>

// The date and time texts the program writes into captions, file names and logs.
// Hours are on the 12-hour clock: noon to 12:59 is "12" with "PM", midnight to
// 00:59 is "12" with "AM".

QString dateDigits(const QDate& date);            // "yyyymmdd": 20021015
QString dateWithSlashes(const QDate& date);       // "YYYY/MM/DD": 2002/10/15
QString timeDigitsAmPm(const QTime& time);        // "hhmmss AMPM": 093005 AM
QString timeWithColonsAmPm(const QTime& time);    // "hh:mm:ss AMPM": 09:30:05 AM
QString weekdayAndDay(const QDate& date);         // "ddd d": Tue 15
QString monthAbbreviation(const QDate& date);     // "mmm": Oct
