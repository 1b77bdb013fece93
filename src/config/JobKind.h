#pragma once

#include <QString>

// The two jobs: most of what the program does exists once for each.
enum class JobKind { Download, Upload };

// The job's name in what the program prints: "download" or "upload".
inline QString jobName(JobKind job)
{
    return job == JobKind::Download ? QStringLiteral("download") : QStringLiteral("upload");
}
