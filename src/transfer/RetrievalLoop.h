#pragma once

class Program;

// The download session's transfer phase, states 12 to 16: each reply runs the
// next-file test and then, with a file to go on with, one step of that file's
// commands (transfer type, PORT, REST 0, RETR), its verification and DELE.

// True when the loop has a file to go on with; picks the next listed name when
// the previous file is finished.
bool nextFileTest(Program& program);
bool nextNlstName(Program& program);
bool nextListName(Program& program);
void retrievalStep(Program& program);

// No file is left: after a pause the last file is verified and recorded, and
// the session's work ends (state 17).
void finishDownloadSession(Program& program);
