#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// The small ".log" files: each is opened, read or written, and closed within
// one call. Text is bytes (Latin-1); every line written ends with CR LF.

// Appends one line; false when the file cannot be opened or written.
bool appendLine(const QString& fileName, const QByteArray& line);

// The file's lines without their line ends (CR LF or LF); nothing when the file
// does not exist or cannot be read.
std::optional<QList<QByteArray>> readLines(const QString& fileName);
