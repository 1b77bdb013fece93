#pragma once

#include <QByteArray>
#include <QFile>
#include <QHashFunctions>
#include <QString>
#include <QStringList>

#include <dirent.h>
#include <fcntl.h>

// Whole files as bytes: a file put in place for the program to read, or one
// the program wrote, compared byte for byte.

// Bytes that differ from file to file and hold every byte value, CR and LF
// among them, so that a text-mode transfer or a lost chunk shows.
inline QByteArray faultBytes(const QByteArray& name, int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    const uint seed = qHash(name);
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 131 + seed + i / 251) & 0xff);
    return bytes;
}

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

// The same for a file of a folder named by the bytes of its name: QFile
// would encode a name that is not UTF-8 anew, and miss the file.
inline bool writeFileBytesNamed(const QString& folder, const QByteArray& name, const QByteArray& bytes)
{
    QFile file;
    const int descriptor = ::open((QFile::encodeName(folder) + '/' + name).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    return descriptor >= 0 && file.open(descriptor, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)
        && file.write(bytes) == bytes.size();
}

inline QByteArray fileBytesNamed(const QString& folder, const QByteArray& name)
{
    QFile file;
    const int descriptor = ::open((QFile::encodeName(folder) + '/' + name).constData(), O_RDONLY);
    if (descriptor < 0 || !file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return "<missing>";
    return file.readAll();
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
