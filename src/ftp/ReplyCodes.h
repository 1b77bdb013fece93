#pragma once

#include <QByteArray>
#include <QString>

// The server's confirmation that a transfer on the data connection succeeded:
// 226 (closing data connection) or 250 (file action completed), RFC 959 4.2.
// Any other reply, a 200 meant for another command included, confirms nothing.
inline bool confirmsTransfer(const QString& reply)
{
    return reply.startsWith(QLatin1String("226")) || reply.startsWith(QLatin1String("250"));
}

// A permanent or transient refusal (4xx or 5xx).
inline bool refuses(const QString& reply)
{
    return reply.startsWith(QLatin1Char('4')) || reply.startsWith(QLatin1Char('5'));
}

// The error number of a session whose server sent something that is not an
// FTP reply: a line that does not begin with a code of three digits, the
// first 1 to 5 (RFC 959, 4.2), or a reply that never ends. Like the 425
// rule's 1, it marks a failure that is not a refused login.
constexpr int kInvalidReplyError = 2;

inline bool beginsWithReplyCode(const QByteArray& reply)
{
    return reply.size() >= 3 && reply[0] >= '1' && reply[0] <= '5' && reply[1] >= '0' && reply[1] <= '9'
        && reply[2] >= '0' && reply[2] <= '9';
}
