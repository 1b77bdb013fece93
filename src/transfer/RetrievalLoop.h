#pragma once

struct TransferContext;

// The download session's transfer phase: each reply runs the next-file test
// and then, with a file to go on with, one step of that file's commands
// (transfer type, PORT, REST 0, RETR), its verification and DELE.

// True when the loop has a file to go on with; picks the next listed name when
// the previous file is finished.
bool nextFileTest(TransferContext& context);
bool nextNlstName(TransferContext& context);
bool nextListName(TransferContext& context);
void retrievalStep(TransferContext& context);

// No file is left: after a pause the last file is verified and recorded, and
// the session's work ends.
void finishDownloadSession(TransferContext& context);
