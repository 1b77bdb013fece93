#pragma once

#include "transfer/EngineView.h"

// What the jobs show, without a window: a line on standard output for each
// job's start and end and each file's outcome, which a service manager's
// journal keeps; the operator's messages on standard error.
//
//   download started: ftp.example.org
//   download file: 2021/03/22 09:05:16 AM ftp.example.org a.dat 2000 pass
//   download ended: done
class HeadlessView : public WindowlessView {
public:
    HeadlessView();

    void showMessage(const QString& text) override;
    void fileRecorded(JobKind job, const QString& outcomeLine) override;
    void jobStarted(JobKind job, const QString& host) override;
    void jobEnded(JobKind job, const QString& outcome) override;
};
