#pragma once

#include <QString>

#include <functional>

struct Job;

// Reopens the job's data socket as a listener before a PORT command: closes it
// unless closed, waits until it reports closed, optionally takes the job's port
// field as its remote port, and listens unless listening. False when the socket
// did not close within its bound; the session has then failed.
bool setUpListener(Job& job, bool takePortField);

// Builds the PORT argument for the job's listener into the job's PORT argument
// variable and sends "PORT " with it. When the control connection has no dotted
// IPv4 address the session fails and nothing is sent.
void sendPortCommand(Job& job);

// The server's final reply can come before the last bytes on the data
// connection. Waits, within a bound, until the job's data connection is no
// longer connected or keepWaiting() turns false.
void waitForEndOfData(Job& job, const std::function<bool()>& keepWaiting = {});
// The data connection ended cleanly: closed by the server, or by this side.
// Not while it is still connected or listening, nor after a reset.
bool dataEndedCleanly(const Job& job);
