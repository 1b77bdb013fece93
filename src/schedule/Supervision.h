#pragma once

class Program;

// The supervision of a session: a tick every 20 seconds counts the ticks
// without progress; after about 200 seconds the session is ended and, while
// retries remain, run again.
void downloadSupervisionTick(Program& program);
void uploadSupervisionTick(Program& program);

// A socket error during a transfer: the session ends and starts again at the
// failed file, or, once that file's retries are used up, at the file after it.
void retryDownloadJob(Program& program);
void retryUploadJob(Program& program, int fileIndex);
