#pragma once

#include <QRegularExpression>
#include <QString>

// A file-name pattern as a directory listing reads it: "*" stands for any run
// of characters, "?" for one, and every other character for itself, case
// included. "*.*" and an empty pattern match every name.
class Wildcard {
public:
    explicit Wildcard(const QString& pattern);
    bool matches(const QString& name) const;

private:
    bool everything;
    QRegularExpression expression;
};
