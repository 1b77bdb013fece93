#include "ftp/PortArgument.h"

#include <QStringList>

namespace {

bool isAddressByte(const QString& field)
{
    if (field.isEmpty() || field.size() > 3)
        return false;
    for (QChar c : field) {
        if (!c.isDigit() || c.unicode() > 127)
            return false;
    }
    return field.toInt() <= 255;
}

}

std::optional<QString> buildPortArgument(const QString& localIp, int port)
{
    QStringList fields = localIp.split(QLatin1Char('.'));
    if (fields.size() != 4 || port < 1 || port > 65535)
        return std::nullopt;
    fields[3] = fields[3].trimmed();
    for (const QString& field : fields) {
        if (!isAddressByte(field))
            return std::nullopt;
    }
    fields << QString::number(port / 256) << QString::number(port % 256);
    return fields.join(QLatin1Char(','));
}
