#include "platform/FileListBox.h"

#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

namespace {

// Only "*" and "?" are wildcards; every other character, "[" included, stands
// for itself.
QRegularExpression wildcardMatcher(const QString& pattern)
{
    QString expression;
    for (QChar c : pattern) {
        if (c == QLatin1Char('*'))
            expression += QLatin1String(".*");
        else if (c == QLatin1Char('?'))
            expression += QLatin1Char('.');
        else
            expression += QRegularExpression::escape(QString(c));
    }
    return QRegularExpression(QRegularExpression::anchoredPattern(expression),
                              QRegularExpression::DotMatchesEverythingOption);
}

bool isFile(const QByteArray& path)
{
    struct stat info {};
    return ::stat(path.constData(), &info) == 0 && S_ISREG(info.st_mode);
}

}

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
    const QRegularExpression matcher = wildcardMatcher(pattern);
    // Read with readdir, not QDir: QDir leaves out every name that is not valid
    // UTF-8, and such a file must still be listed, under its own bytes.
    const QByteArray folderBytes = QFile::encodeName(folder) + '/';
    DIR* directory = ::opendir(folderBytes.constData());
    if (!directory)
        return;
    while (const dirent* entry = ::readdir(directory)) {
        const QByteArray name(entry->d_name);
        if (!isFile(folderBytes + name))
            continue;
        // The pattern is matched against the name as the operator reads it.
        if (everything || matcher.match(QFile::decodeName(name)).hasMatch())
            names.append(QString::fromLatin1(name));
    }
    ::closedir(directory);
    std::sort(names.begin(), names.end());
}

QString FileListBox::List(int index) const
{
    return index >= 0 && index < names.size() ? names.at(index) : QString();
}
