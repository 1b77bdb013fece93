#pragma once

#include <QDir>
#include <QTemporaryDir>

// Makes a new empty temporary folder the process's current folder for the
// lifetime of the object, so the ".log" files a test makes stay apart from
// every other test's; the previous current folder comes back afterwards.
class TemporaryCurrentFolder {
public:
    TemporaryCurrentFolder() { QDir::setCurrent(folder.path()); }
    ~TemporaryCurrentFolder() { QDir::setCurrent(previous); }

    QString path() const { return folder.path(); }
    // A path inside the folder.
    QString file(const QString& name) const { return folder.filePath(name); }

private:
    QString previous = QDir::currentPath();
    QTemporaryDir folder;
};
