#pragma once

class Engine;

// The supervision of a session: a tick every 20 seconds counts the ticks
// without progress; after about 200 seconds the session is ended and, while
// retries remain, run again.
void downloadSupervisionTick(Engine& engine);
void uploadSupervisionTick(Engine& engine);

// A socket error during a transfer: the session ends and starts again at the
// failed file, or, once that file's retries are used up, at the file after it.
void retryDownloadJob(Engine& engine);
void retryUploadJob(Engine& engine, int fileIndex);
