#pragma once

class Program;

// The upload session's storing phase, states 18 to 23: each reply either
// chooses the next local file (state 18) or advances the current file's
// commands (transfer type, PORT, REST 0, STOR).
void storingStep(Program& program);
void storeFileStep(Program& program);

// Gives up on the file in hand, which made no progress: it is recorded "fail"
// and the loop goes on with the next file.
void abandonStalledFile(Program& program);
