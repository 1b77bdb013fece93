#include "platform/FileListBox.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>

void FileListBox::setPath(const QString& path)
{
    folder = path;
    Refresh();
}

void FileListBox::setPattern(const QString& wildcard)
{
    pattern = wildcard;
    Refresh();
}

void FileListBox::Refresh()
{
    names.clear();
    if (folder.isEmpty())
        return;
    const bool everything = pattern.isEmpty() || pattern == QLatin1String("*.*");
    const QRegularExpression matcher(everything
            ? QString()
            : QRegularExpression::wildcardToRegularExpression(pattern));
    const QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& file : files) {
        if (everything || matcher.match(file).hasMatch())
            names.append(QString::fromLatin1(QFile::encodeName(file)));
    }
    std::sort(names.begin(), names.end());
}

QString FileListBox::List(int index) const
{
    return index >= 0 && index < names.size() ? names.at(index) : QString();
}
