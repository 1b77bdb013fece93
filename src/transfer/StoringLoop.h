#pragma once

struct TransferContext;

// The upload session's storing phase: each reply either chooses the next
// local file or advances the current file's commands (transfer type, PORT,
// REST 0, STOR).
void storingStep(TransferContext& context);
void storeFileStep(TransferContext& context);

// Gives up on the file in hand, which made no progress: it is recorded "fail"
// and the loop goes on with the next file.
void abandonStalledFile(TransferContext& context);
