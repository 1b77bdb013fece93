#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

// The path without one trailing "\" or "/"; an empty path stays empty.
QString folderWithoutSlash(const QString& path);

// The path of the working folder's file with this name, where the name holds
// the bytes the server or the file system gave, one character per byte. It is
// built as bytes: a name that is not valid UTF-8 keeps its own bytes, which a
// QString path would replace, so that two such names could land on one file.
QByteArray localFilePath(const QString& workPath, const QString& fileName);

// The name a file takes on the other side when its timestamp option is on:
// today's date, "_" and the name (20021015_a.dat).
QString datedName(const QDate& today, bool stamped, const QString& name);

// The size of the file at a byte path; -1 when there is none.
qint64 localFileSize(const QByteArray& path);
bool removeLocalFile(const QByteArray& path);
