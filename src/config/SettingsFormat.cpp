#include "config/SettingsFormat.h"

#include <QFile>
#include <QSaveFile>

namespace {

// What the format cannot hold is left out of the saved text.
QByteArray storable(const QString& text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (QChar c : text) {
        const char16_t code = c.unicode();
        if (code > 255 || code == '"' || code == '\r' || code == '\n')
            continue;
        bytes.append(char(code));
    }
    return bytes;
}

QByteArray quoted(const QByteArray& bytes)
{
    return '"' + bytes + '"';
}

// Splits a line into its fields: a quoted field runs to the next double quote,
// an unquoted one to the next comma (blanks around it dropped).
QList<QByteArray> fieldsOf(const QByteArray& line)
{
    QList<QByteArray> fields;
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (true) {
        while (i < n && line.at(i) == ' ')
            ++i;
        QByteArray field;
        if (i < n && line.at(i) == '"') {
            const qsizetype close = line.indexOf('"', i + 1);
            if (close < 0)
                return {};  // a quote that never closes: not a line this program wrote
            field = line.mid(i + 1, close - i - 1);
            i = close + 1;
            while (i < n && line.at(i) == ' ')
                ++i;
        } else {
            const qsizetype comma = line.indexOf(',', i);
            const qsizetype end = comma < 0 ? n : comma;
            field = line.mid(i, end - i).trimmed();
            i = end;
        }
        fields.append(field);
        if (i >= n)
            return fields;
        if (line.at(i) != ',')
            return {};
        ++i;
    }
}

}

std::optional<QString> scramblePassword(const QString& plain)
{
    QString stored;
    stored.reserve(plain.size());
    for (qsizetype i = 0; i < plain.size(); ++i) {
        const int code = plain.at(i).unicode() + int(i) + 1;
        if (code > 255)
            return std::nullopt;
        stored.append(QChar(code));
    }
    return stored;
}

std::optional<QString> unscramblePassword(const QString& stored)
{
    QString plain;
    plain.reserve(stored.size());
    for (qsizetype i = 0; i < stored.size(); ++i) {
        const int code = stored.at(i).unicode() - int(i) - 1;
        if (code < 0)
            return std::nullopt;
        plain.append(QChar(code));
    }
    return plain;
}

QByteArray siteLine(const SiteRecord& site, bool recallPassword)
{
    QByteArray password;
    if (recallPassword || site.user.toLower() == QLatin1String("anonymous")) {
        // The scrambled form is what the line holds. One that passes 255 or
        // holds a quote or a line break is not stored at all: a password with
        // a character left out would be a wrong password, not a missing one.
        const auto scrambled = scramblePassword(site.password);
        if (scrambled && storable(*scrambled) == scrambled->toLatin1())
            password = quoted(scrambled->toLatin1());
    }
    const QList<QByteArray> fields { quoted(storable(site.host)), quoted(storable(site.user)), password,
                                     quoted(storable(site.path)), quoted(storable(site.port)),
                                     quoted(storable(site.pattern)), quoted(storable(site.dupeFlag)),
                                     quoted(storable(site.activeFlag)), quoted(storable(site.hour)),
                                     quoted(storable(site.amPm)) };
    return fields.join(',');
}

std::optional<SiteRecord> parseSiteLine(const QByteArray& line)
{
    const QList<QByteArray> f = fieldsOf(line);
    if (f.size() != 10)
        return std::nullopt;
    const auto password = unscramblePassword(QString::fromLatin1(f[2]));
    if (!password)
        return std::nullopt;
    auto text = [&f](int i) { return QString::fromLatin1(f[i]); };
    return SiteRecord { text(0), text(1), *password, text(3), text(4), text(5), text(6), text(7), text(8), text(9) };
}

QByteArray workPathLine(const QString& folder)
{
    // The folder's own bytes, so any name the file system allows comes back;
    // only what would break the line is left out.
    QByteArray bytes = QFile::encodeName(folder);
    bytes.removeIf([](char c) { return c == '"' || c == '\r' || c == '\n'; });
    return quoted(bytes);
}

std::optional<QString> parseWorkPathLine(const QByteArray& line)
{
    const QList<QByteArray> f = fieldsOf(line);
    if (f.size() != 1)
        return std::nullopt;
    return QFile::decodeName(f[0]);
}

bool writeSettingsFile(QSaveFile& file, const QList<QByteArray>& lines)
{
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    for (const QByteArray& line : lines) {
        const QByteArray bytes = line + "\r\n";
        if (file.write(bytes) != bytes.size()) {
            file.cancelWriting();
            return false;
        }
    }
    return file.commit();
}
