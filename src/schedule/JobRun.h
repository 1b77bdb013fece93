#pragma once

class Engine;

// One whole job, from locking the row to the window's return to idle: connect,
// wait while the session runs, show and log how it ended. Returns when the job
// has ended.
void runDownloadJob(Engine& engine);
void runUploadJob(Engine& engine);
