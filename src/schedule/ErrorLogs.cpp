#include "schedule/ErrorLogs.h"

#include "platform/ClockTexts.h"
#include "platform/TextFiles.h"
#include "schedule/Engine.h"

namespace {

void logError(Engine& p, const QString& logFile, const QString& message)
{
    const QDateTime now = p.clock.now();
    appendLine(logFile, (message + QLatin1Char(' ') + dateWithSlashes(now.date()) + QStringLiteral(" at ")
                         + timeWithColonsAmPm(now.time())).toLatin1());
}

}

void logDownloadError(Engine& p, const QString& message)
{
    logError(p, QStringLiteral("err_dload.log"), message);
}

void logUploadError(Engine& p, const QString& message)
{
    logError(p, QStringLiteral("err_upload.log"), message);
}

QString ordinalSuffix(const QString& day)
{
    if (day == QLatin1String("1") || day == QLatin1String("21") || day == QLatin1String("31"))
        return QStringLiteral("st");
    if (day == QLatin1String("2") || day == QLatin1String("22"))
        return QStringLiteral("nd");
    if (day == QLatin1String("3") || day == QLatin1String("23"))
        return QStringLiteral("rd");
    return QStringLiteral("th");
}

QString lastJobText(const QString& lead, const QDate& date)
{
    return lead + weekdayAndDay(date) + ordinalSuffix(QString::number(date.day())) + QLatin1Char(' ')
        + monthAbbreviation(date);
}
