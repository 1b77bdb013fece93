#pragma once

#include <QString>

// Rules on the names that go between the server and the working folder.

// A name with a control character (CR, LF, ...) cannot be named in an FTP
// command without changing what the command says.
bool hasControlCharacter(const QString& name);
// A listed name that may become a local file name: not empty, no "/", "\" or
// control character, so nothing is ever written outside the working folder.
bool isSafeLocalName(const QString& name);
// "." and "..", which some servers list and which are never files.
bool isDotEntry(const QString& name);

