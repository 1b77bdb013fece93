#pragma once

#include "config/JobKind.h"

#include <QString>

class RealFtpServer;
struct SiteTables;

// The sites of a simulated month, as an operator would set them up: 24
// download and 24 upload sites, one of each for every hour of the day
// (DuePlan::hourOfDay), on two stock servers in turn (odd slots on the first,
// even ones on the second), each with a folder of its own there, the
// duplicate check on and a typed pattern: "*.dat" to collect, "*.txt" to
// deliver. The working folder, where collected files land, is what the upload
// sites deliver from; the two patterns keep what was collected from going out
// again.
class MonthSites {
public:
    static constexpr int kSitesPerJob = 24;
    // New files for each site each time it is due.
    static constexpr int kFilesPerDue = 2;

    // The servers must have started: they own the folders made for them.
    MonthSites(const RealFtpServer& oddSlots, const RealFtpServer& evenSlots) : odd(oddSlots), even(evenSlots) {}

    // Makes each site's folder on its server and writes the two site files
    // into the current folder, where start-up reads them. The reason when it
    // cannot, else empty.
    QString setUp() const;
    // The files a site finds new when it is due in the hour that begins at
    // hourMs (program time), put where its source leaves them: on its server
    // for a download site, in the working folder for an upload site.
    void putNewFiles(JobKind kind, int slot, qint64 hourMs, const QString& workPath) const;

    // As the operator would set every site's time to the same hour of the day
    // (0 to 23) before turning "Every Hour" on.
    static void moveEverySiteTo(SiteTables& sites, int hourOfDay);

private:
    const RealFtpServer& serverOf(int slot) const { return slot % 2 ? odd : even; }

    const RealFtpServer& odd;
    const RealFtpServer& even;
};
