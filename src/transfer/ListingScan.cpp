#include "transfer/ListingScan.h"

#include <limits>

namespace {

QChar charAt(const QString& text, int position)
{
    return position >= 1 && position <= text.size() ? text.at(position - 1) : QChar();
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
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
    const int length = int(text.size());
    for (int i = 1; i <= length - 1; ++i) {
        if (charAt(text, i) != QLatin1Char(':'))
            continue;
        const int first = i + 4;
        int end = first;
        while (end <= length && charAt(text, end).unicode() > ' ')
            ++end;
        names.append(first <= length ? text.mid(first - 1, end - first) : QString());
        i = std::max(i, end - 1);
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
    const int open = int(reply.indexOf(QLatin1Char('('))) + 1;
    if (open == 0)
        return fileSizeExists ? -2 : -1;
    const int start = open + 1;
    // "(12345 bytes)." : a period after the number marks the size as not to be
    // trusted. The search starts right after "(", whose 0-based index is open:
    // "(.5 bytes)" is no size, not an empty file.
    if (reply.indexOf(QLatin1Char('.'), open) >= 0)
        return -1;
    int count = 1;
    while (isDigit(charAt(reply, start + count)))
        ++count;
    // Read like a leading-number parse: the digits at the start, 0 for none.
    qint64 size = 0;
    for (int i = start; i < start + count && isDigit(charAt(reply, i)); ++i) {
        size = size * 10 + (charAt(reply, i).unicode() - '0');
        if (size > std::numeric_limits<qint32>::max())
            return -1;
    }
    return int(size);
}

bool sizeFitsAnnounced(int announced, qint64 received, bool asciiType)
{
    return sizeAllowsDelete(announced, received) || (asciiType && announced > 0 && received > announced);
}

bool sizeAllowsDelete(int announced, qint64 received)
{
    return received == announced || announced == 0 || announced == -1;
}
