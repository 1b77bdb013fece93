#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// Pure pieces of the retrieval loop: reading names out of a listing and the
// size out of the reply to RETR. Positions are 1-based, as the listing walk
// keeps them (1 is the start of the text).

// Where the line that ends just after position p begins: after the nearest
// control character (code 0 to 13) at or before p, or 1.
int lineStart(const QString& text, int p);

// The names of a long (LIST) listing, one line at a time. A line in the Unix
// form names the file with everything after its date and its time (or year),
// blanks included. A line in any other form gives whatever follows each
// "hh:mm " time in it, up to the first blank or control character.
QStringList collectListNames(const QString& text);

// The part of a file pattern that a LIST entry must contain: the characters
// after its last character below "0" (so "*" and "." end it, "?" does not), or
// the whole pattern when there is none. Nothing (every entry matches) for an
// empty pattern.
std::optional<QString> patternTail(const QString& pattern);

// The size announced at the end of a reply to RETR, as "(12345 bytes)": -1
// when the announcement is followed by a period or does not fit 32 bits; -1,
// or -2 when fileSizeExists is on, for a reply that ends in no announcement.
int parseTransferSize(const QString& reply, bool fileSizeExists);

// Whether the bytes received fit the size announced for a file: the same
// number, or no usable size announced (0 or -1), or more bytes in ASCII mode,
// where line ends may grow. -2 never fits.
bool sizeFitsAnnounced(int announced, qint64 received, bool asciiType);
// Whether the size lets a file that passed be deleted on the server: not when
// it passed only because it grew in ASCII mode.
bool sizeAllowsDelete(int announced, qint64 received);
