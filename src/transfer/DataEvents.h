#pragma once

struct Job;

// The server connects to the job's listener: the listener becomes the data
// connection.
void dataConnectionRequest(Job& job, int requestID);
