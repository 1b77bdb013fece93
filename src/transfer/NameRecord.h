#pragma once

#include <QSet>
#include <QString>

// The names of the files already transferred, kept in a file of one name per
// line so that later sessions skip them. A name counts as recorded only when it
// equals a recorded name: a name that merely appears inside a longer recorded
// name, or across the join of two, is a different file and must still be
// fetched.
class NameRecord {
public:
    explicit NameRecord(QString fileName) : fileName(std::move(fileName)) {}

    // Reads the file again; a missing or unreadable file records nothing.
    void load();
    bool contains(const QString& name) const { return names.contains(name); }
    // Appends the name to the file (skipped when the file cannot be written)
    // and to the names held.
    void record(const QString& name);

private:
    QString fileName;
    QSet<QString> names;
};
