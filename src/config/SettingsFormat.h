#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

class QSaveFile;

// The settings files: "valuesd.log" and "valuesu.log" hold one site per line,
// ten quoted fields separated by commas, in the 8-bit character set (Latin-1);
// "pather.log" holds the working folder as one quoted field.

struct SiteRecord {
    QString host, user, password, path, port, pattern, dupeFlag, activeFlag, hour, amPm;
};

// A stored password: each character's code raised by its 1-based position.
// Nothing when a code would pass 255: such a password cannot be stored.
std::optional<QString> scramblePassword(const QString& plain);
// The reverse; nothing when a code would fall below 0.
std::optional<QString> unscramblePassword(const QString& stored);

// The line of one site (without its line end). The password is written when
// recallPassword is on or the user is "anonymous" in any case; otherwise, or
// when its scrambled form passes 255 or holds a double quote or a line break,
// its field is left empty. The format has no escape, so in the other fields a
// double quote, a line break or a character outside Latin-1 is left out of the
// text it stands in rather than break the line.
QByteArray siteLine(const SiteRecord& site, bool recallPassword);
// Nothing for a line that is not ten fields or whose password cannot be read.
std::optional<SiteRecord> parseSiteLine(const QByteArray& line);

QByteArray workPathLine(const QString& folder);
std::optional<QString> parseWorkPathLine(const QByteArray& line);

// Writes the lines, each ended by CR LF, into a file opened by the caller, and
// commits it. Created readable by its owner only (the site files hold
// passwords). On any failure nothing is committed: the previous file stays
// whole.
bool writeSettingsFile(QSaveFile& file, const QList<QByteArray>& lines);
