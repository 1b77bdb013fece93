#pragma once

#include <QString>

// The path without one trailing "\" or "/"; an empty path stays empty.
QString folderWithoutSlash(const QString& path);

// The local path of a transferred file: the working folder and the file's name.
// The name is the bytes the server or the file system gave (one byte per
// character); they become the file system's name unchanged.
QString localFilePath(const QString& workPath, const QString& fileName);
