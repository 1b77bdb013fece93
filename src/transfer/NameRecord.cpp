#include "transfer/NameRecord.h"

#include "platform/TextFiles.h"

void NameRecord::load()
{
    names.clear();
    const auto lines = readLines(fileName);
    if (!lines)
        return;
    for (const QByteArray& line : *lines)
        names.insert(QString::fromLatin1(line));
}

void NameRecord::record(const QString& name)
{
    appendLine(fileName, name.toLatin1());
    names.insert(name);
}
