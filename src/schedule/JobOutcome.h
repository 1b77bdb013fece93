#pragma once

#include <QString>

// How a failed session is told: the error log's word for it, and whether it
// counts as a socket error in the middle of a transfer (which, with no
// retries, is shown as "Transfer Failed" instead).

// "Invalid IP/Host" for a host that was not found, "Invalid Reply" for a
// server that does not speak FTP, "Timeout Error" for any other error number
// or a session the supervision ended, else "Invalid User/Pass" (a refused
// login).
QString failureMessage(int errorNumber, bool timedOut);

// A socket error, as opposed to a host that was not found or a server that
// does not speak FTP.
bool isSocketError(int errorNumber);
