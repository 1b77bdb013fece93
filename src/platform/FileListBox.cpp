#include "platform/FileListBox.h"

#include "platform/Wildcard.h"

#include <QFile>

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

namespace {

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
    const Wildcard matcher(pattern);
    // Read with readdir, not QDir: QDir leaves out every name that is not valid
    // UTF-8, and such a file must still be listed, under its own bytes.
    const QByteArray folderBytes = QFile::encodeName(folder) + '/';
    DIR* directory = ::opendir(folderBytes.constData());
    if (!directory)
        return;
    while (const dirent* entry = ::readdir(directory)) {
        const QByteArray name(entry->d_name);
        if (name.startsWith('.') || !isFile(folderBytes + name))
            continue;
        // The pattern is matched against the name as the operator reads it.
        if (matcher.matches(QFile::decodeName(name)))
            names.append(QString::fromLatin1(name));
    }
    ::closedir(directory);
    std::sort(names.begin(), names.end());
}

QString FileListBox::List(int index) const
{
    return index >= 0 && index < names.size() ? names.at(index) : QString();
}
