#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <dirent.h>

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

// Every entry of a folder under the bytes of its name (one character per
// byte), sorted, read with readdir: QDir leaves out names that are not UTF-8.
inline QStringList folderEntries(const QString& folder)
{
    QStringList names;
    DIR* directory = ::opendir(QFile::encodeName(folder).constData());
    if (!directory)
        return names;
    while (const dirent* entry = ::readdir(directory)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names << QString::fromLatin1(name);
    }
    ::closedir(directory);
    names.sort();
    return names;
}
