#pragma once

class Program;

// The data phase of a stored file: the first chunk goes out when the server
// answers STOR, each completed send brings the next, and the end of the file
// closes the data connection. Chunks are 2000 bytes, one in flight at a time.

// State 22: the reply to STOR.
void startUploadData(Program& program);
void uploadSendProgress(Program& program, int bytesSent);
void uploadSendComplete(Program& program);
