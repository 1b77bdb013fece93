#pragma once

struct TransferContext;

// The data phase of a stored file: the first chunk goes out when the server
// answers STOR, each completed send brings the next, and the end of the file
// closes the data connection. Chunks are 2000 bytes, one in flight at a time.

// The reply to STOR.
void startUploadData(TransferContext& context);
void uploadSendProgress(TransferContext& context, int bytesSent);
void uploadSendComplete(TransferContext& context);
