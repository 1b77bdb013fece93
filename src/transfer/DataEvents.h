#pragma once

struct Job;
struct TransferContext;

// The events of a job's data socket.

// The server connects to the job's listener: the listener becomes the data
// connection.
void dataConnectionRequest(TransferContext& context, Job& job, int requestID);
// Bytes arrive: a listing goes to the listing buffer (download) or is dropped
// (upload); a retrieved file goes to the transfer file.
void dataArrival(TransferContext& context, Job& job);
// The server has ended the data connection: this side closes its end at once.
// Some servers send their final reply only then; and a file of unknown size
// ends here.
void dataPeerClosed(Job& job);
// A socket error on the data connection hands the job to its retry.
void dataError(Job& job, int number);
