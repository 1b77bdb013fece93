#pragma once

struct Job;

// The events of a job's data socket.

// The server connects to the job's listener: the listener becomes the data
// connection.
void dataConnectionRequest(Job& job, int requestID);
// Bytes arrive: a listing goes to the listing buffer (download) or is dropped
// (upload); a retrieved file goes to the transfer file.
void dataArrival(Job& job);
// A socket error on the data connection hands the job to its retry.
void dataError(Job& job, int number);
