#include "ftp/ReplyFramer.h"

namespace {

bool startsWithCode(const QByteArray& bytes, qsizetype at)
{
    if (bytes.size() < at + 3)
        return false;
    for (qsizetype i = at; i < at + 3; ++i) {
        if (bytes.at(i) < '0' || bytes.at(i) > '9')
            return false;
    }
    return true;
}

bool opensMultiLine(const QByteArray& bytes)
{
    return startsWithCode(bytes, 0) && bytes.size() > 3 && bytes.at(3) == '-';
}

// The line starting at lineStart closes a multi-line reply opened with code.
bool closesMultiLine(const QByteArray& bytes, qsizetype lineStart, const QByteArray& code)
{
    return bytes.size() > lineStart + 3 && bytes.mid(lineStart, 3) == code
        && bytes.at(lineStart + 3) == ' ';
}

}

void ReplyFramer::feed(const QByteArray& bytes)
{
    unfinished.append(bytes);
    frame();
    if (unfinished.size() > kMaxReplyBytes) {
        overflow = true;
        unfinished.clear();
        lineStart = searchedTo = 0;
    }
}

void ReplyFramer::frame()
{
    for (;;) {
        const qsizetype lineEnd = unfinished.indexOf('\n', searchedTo);
        if (lineEnd < 0) {
            searchedTo = unfinished.size();
            return;
        }
        const bool endsReply = !opensMultiLine(unfinished)
            || (lineStart > 0 && closesMultiLine(unfinished, lineStart, unfinished.left(3)));
        if (endsReply) {
            complete.push_back(unfinished.left(lineEnd + 1));
            unfinished.remove(0, lineEnd + 1);
            lineStart = searchedTo = 0;
        } else {
            lineStart = searchedTo = lineEnd + 1;
        }
    }
}

QByteArray ReplyFramer::takeReply()
{
    if (complete.empty())
        return {};
    QByteArray reply = std::move(complete.front());
    complete.pop_front();
    return reply;
}

void ReplyFramer::clear()
{
    unfinished.clear();
    lineStart = searchedTo = 0;
    complete.clear();
    overflow = false;
}
