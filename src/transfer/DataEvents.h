#pragma once

#include <functional>

struct Job;

// The events of a job's data socket.

// The server connects to the job's listener: the listener becomes the data
// connection.
void dataConnectionRequest(Job& job, int requestID);
// Bytes arrive: a listing goes to the listing buffer (download) or is dropped
// (upload); a retrieved file goes to the transfer file.
void dataArrival(Job& job);
// The server has ended the data connection: this side closes its end at once.
// Some servers send their final reply only then; and a file of unknown size
// ends here.
void dataPeerClosed(Job& job);
// A socket error on the data connection hands the job to its retry.
void dataError(Job& job, int number);

// The server's final reply can come before the last bytes on the data
// connection. Waits, within a bound, until the job's data connection is no
// longer connected or keepWaiting() turns false.
void waitForEndOfData(Job& job, const std::function<bool()>& keepWaiting = {});
// The data connection ended cleanly: closed by the server, or by this side.
// Not while it is still connected or listening, nor after a reset.
bool dataEndedCleanly(const Job& job);
