#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Whole files as bytes: a file put in place for the program to read, or one
// the program wrote, compared byte for byte.

inline bool writeFileBytes(const QString& name, const QByteArray& bytes)
{
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// "<missing>" when the file cannot be read, so a missing file never passes for
// an empty one.
inline QByteArray fileBytes(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}
