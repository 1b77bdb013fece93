#include "transfer/Percentage.h"

QString percentageText(qint64 done, qint64 total)
{
    return QString::number(done * 100 / total) + QStringLiteral(" %");
}
