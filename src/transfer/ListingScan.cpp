#include "transfer/ListingScan.h"

#include <QRegularExpression>

namespace {

QChar charAt(const QString& text, int position)
{
    return position >= 1 && position <= text.size() ? text.at(position - 1) : QChar();
}

// The date of a Unix long listing line, "Oct 15 10:30 " or, for a file older
// than six months, "Jan  1  2020 ", and the name that takes the rest of the
// line, blanks included.
const QRegularExpression& unixListingDate()
{
    static const QRegularExpression date(QStringLiteral(
        "(?:^|\\s)(?:Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec)\\s+\\d{1,2}\\s+(?:\\d{1,2}:\\d{2}|\\d{4}) (.*)$"));
    return date;
}

// A line in another form: whatever follows each "hh:mm " time up to the
// first blank or control character.
QStringList namesAfterTimes(const QString& line)
{
    QStringList names;
    const int length = int(line.size());
    for (int i = 1; i <= length - 1; ++i) {
        if (charAt(line, i) != QLatin1Char(':'))
            continue;
        const int first = i + 4;
        int end = first;
        while (end <= length && charAt(line, end).unicode() > ' ')
            ++end;
        names.append(first <= length ? line.mid(first - 1, end - first) : QString());
        i = std::max(i, end - 1);
    }
    return names;
}

// The size a server announces at the end of its reply to RETR, "(12345
// bytes)" (or "(1 byte)"), perhaps followed by a period. Parentheses in the
// file name before it never count.
const QRegularExpression& sizeAnnouncement()
{
    static const QRegularExpression announcement(QStringLiteral("\\((\\d+) bytes?\\)(\\.?)[ \\t\\r\\n]*\\z"));
    return announcement;
}

}

int lineStart(const QString& text, int p)
{
    if (p < 1)
        return 1;
    while (charAt(text, p).unicode() > 13 && p > 1)
        --p;
    return p <= 1 && charAt(text, p).unicode() > 13 ? 1 : p + 1;
}

QStringList collectListNames(const QString& text)
{
    QStringList names;
    for (const QString& line : text.split(QRegularExpression(QStringLiteral("[\r\n]+")), Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch unixLine = unixListingDate().match(line);
        if (unixLine.hasMatch())
            names.append(unixLine.captured(1));
        else
            names.append(namesAfterTimes(line));
    }
    return names;
}

std::optional<QString> patternTail(const QString& pattern)
{
    if (pattern.isEmpty())
        return std::nullopt;
    for (qsizetype i = pattern.size() - 1; i >= 0; --i) {
        if (pattern.at(i).unicode() < '0')
            return pattern.mid(i + 1);
    }
    return pattern;
}

int parseTransferSize(const QString& reply, bool fileSizeExists)
{
    const QRegularExpressionMatch announced = sizeAnnouncement().match(reply);
    if (!announced.hasMatch())
        return fileSizeExists ? -2 : -1;
    // "(12345 bytes)." : a period after the number marks the size as not to be
    // trusted.
    if (announced.capturedLength(2) > 0)
        return -1;
    bool fits = false;
    const int size = announced.capturedView(1).toInt(&fits);
    return fits ? size : -1;
}

bool sizeFitsAnnounced(int announced, qint64 received, bool asciiType)
{
    return sizeAllowsDelete(announced, received) || (asciiType && announced > 0 && received > announced);
}

bool sizeAllowsDelete(int announced, qint64 received)
{
    return received == announced || announced == 0 || announced == -1;
}
