#pragma once

#include <QDate>
#include <QString>

class Engine;

// The error log of each job: one line per failed job, "message YYYY/MM/DD at
// hh:mm:ss AMPM".
void logDownloadError(Engine& engine, const QString& message);
void logUploadError(Engine& engine, const QString& message);

// "st", "nd", "rd" or "th" for a day of the month given as text.
QString ordinalSuffix(const QString& day);
// "Last Download on " / "Last Upload on " with the date: "... Tue 15th Oct".
QString lastJobText(const QString& lead, const QDate& date);
