#pragma once

#include <QByteArray>
#include <deque>

// Splits the bytes of a control connection into complete FTP replies (RFC 959,
// 4.2): a single line "ddd text", or a multi-line reply from "ddd-" up to the
// line that begins with the same code and a space. Bytes of an unfinished reply
// are kept for the next feed. A line ends at LF (CR LF or a bare LF); each reply
// keeps its line ends as received.
class ReplyFramer {
public:
    // A reply that has not ended within this many bytes is not a reply: the
    // framer drops what it holds and reports the overflow.
    static constexpr qsizetype kMaxReplyBytes = 256 * 1024;

    void feed(const QByteArray& bytes);
    bool hasReply() const { return !complete.empty(); }
    QByteArray takeReply();
    bool overflowed() const { return overflow; }
    void clear();

private:
    void frame();

    QByteArray unfinished;
    // Where the line being read starts, and how far it has been searched for
    // its end: a reply that arrives in many small pieces is scanned once.
    qsizetype lineStart = 0;
    qsizetype searchedTo = 0;
    std::deque<QByteArray> complete;
    bool overflow = false;
};
