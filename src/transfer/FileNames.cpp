#include "transfer/FileNames.h"


#include <QFile>

bool hasControlCharacter(const QString& name)
{
    for (QChar c : name) {
        if (c.unicode() < 32 || c.unicode() == 127)
            return true;
    }
    return false;
}

bool isSafeLocalName(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'))
        && !hasControlCharacter(name);
}

bool isDotEntry(const QString& name)
{
    return name == QLatin1String(".") || name == QLatin1String("..");
}
