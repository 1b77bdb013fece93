#pragma once

#include "transfer/EngineView.h"

#include <vector>

class Engine;

// One job the schedule started: its site's slot in its table and the
// program times (milliseconds since the epoch) it started and ended.
struct JobSpan {
    JobKind kind = JobKind::Download;
    int slot = 0;
    qint64 startedMs = 0;
    // 0 while the job runs.
    qint64 endedMs = 0;
};

// What the schedule did over a stretch of time.
struct ScheduleRecord {
    // In the order they started.
    std::vector<JobSpan> jobs;
    // Jobs that ended other than "done": a login that failed, a timeout.
    int jobsFailed = 0;
    // Jobs that began while another job ran.
    int overlaps = 0;
    int filesPassed = 0;
    int filesFailed = 0;
    // Messages for the operator to acknowledge.
    int messages = 0;
};

// A view without a window that keeps what the schedule did, dated by the
// engine's clock. It keeps no text: over a long run the only thing it adds to
// is the list of jobs, whose room is taken in advance, so the memory figures
// of the process stay the program's own.
class ScheduleLog : public WindowlessView {
public:
    // The engine whose clock dates the events and whose tables tell each
    // job's site. The view is made before the engine, which is made with it.
    void watch(const Engine& engine) { watched = &engine; }
    // Hands over what was kept so far and begins anew, with room for that
    // many jobs.
    ScheduleRecord restart(size_t jobsExpected);
    const ScheduleRecord& record() const { return kept; }
    bool jobRunning() const { return downloadRunning || uploadRunning; }

    void showMessage(const QString& text) override;
    void fileRecorded(JobKind job, const QString& outcomeLine) override;
    void jobStarted(JobKind job, const QString& host) override;
    void jobEnded(JobKind job, const QString& outcome) override;

private:
    bool& running(JobKind job) { return job == JobKind::Download ? downloadRunning : uploadRunning; }

    const Engine* watched = nullptr;
    ScheduleRecord kept;
    bool downloadRunning = false;
    bool uploadRunning = false;
};
