#pragma once

#include <QString>
#include <optional>

// The argument of the FTP PORT command (RFC 959, 4.1.2): h1,h2,h3,h4,p1,p2 for
// the local IPv4 address and the listening port. The first three address fields
// are copied as they stand and the last is trimmed. Nothing when the address is
// not dotted IPv4 (empty, IPv6, a host name), so no malformed PORT goes out.
std::optional<QString> buildPortArgument(const QString& localIp, int port);
