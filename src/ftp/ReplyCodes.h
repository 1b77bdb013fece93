#pragma once

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
