#pragma once

#include <QString>

struct Job;

// Prepares the job's sockets and session values and connects; from then on the
// server's replies drive the session.
void startControlSession(Job& job);

// The control socket's events.
void controlDataArrival(Job& job);
void controlError(Job& job, int number);

// Sends an FTP command (CR LF added) on the control connection. When it is no
// longer connected the session fails instead; returns whether it was sent.
bool sendCommandIfConnected(Job& job, const QString& command);
void sendCommand(Job& job, const QString& command);

// Closes the socket unless it is closed, and waits until it reports closed.
// False when it did not within its bound; the session has then failed.
bool closeAndWait(Job& job, class Winsock& socket);
