#pragma once

#include <QString>
#include <QStringList>

// The names of the files of one folder that match a wildcard pattern ("*" any
// run of characters, "?" one character), sorted. "*.*" and an empty pattern
// list every file. Hidden files (names that begin with ".") are not listed: the
// partner files of retrievals under way never go out. Setting the folder or
// the pattern reads the folder again.
//
// Names are given as the bytes the file system holds, mapped one byte to one
// character (Latin-1), so they go into FTP commands unchanged.
class FileListBox {
public:
    QString Path() const { return folder; }
    void setPath(const QString& path);
    QString Pattern() const { return pattern; }
    void setPattern(const QString& wildcard);
    void Refresh();

    int ListCount() const { return int(names.size()); }
    QString List(int index) const;

private:
    QString folder;
    QString pattern = QStringLiteral("*.*");
    QStringList names;
};
