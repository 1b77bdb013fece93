#pragma once

#include <QString>
#include <array>

// Slots 1 to 200 hold sites; slot 0 is never a site.
constexpr int kSiteSlots = 201;
constexpr int kMaxSites = kSiteSlots - 1;

using SiteColumn = std::array<QString, kSiteSlots>;

// The two site tables: parallel text columns, one slot per site.
struct SiteTables {
    SiteColumn downloadHosts, downloadUsers, downloadPasswords, downloadPaths, downloadPorts,
        downloadPatterns, downloadDupeFlags, downloadActiveFlags, downloadHours, downloadAmPm,
        downloadLastRunDates;
    SiteColumn uploadHosts, uploadUsers, uploadPasswords, uploadPaths, uploadPorts,
        uploadPatterns, uploadDupeFlags, uploadActiveFlags, uploadHours, uploadAmPm,
        uploadLastRunDates;
    int downloadSiteCount = 0;
    int uploadSiteCount = 0;
    int downloadSiteIndex = 0;
    int uploadSiteIndex = 0;
};

// One job's table, bound by reference, so code written once serves both jobs.
struct SiteColumns {
    SiteColumn& hosts;
    SiteColumn& users;
    SiteColumn& passwords;
    SiteColumn& paths;
    SiteColumn& ports;
    SiteColumn& patterns;
    SiteColumn& dupeFlags;
    SiteColumn& activeFlags;
    SiteColumn& hours;
    SiteColumn& amPm;
    SiteColumn& lastRunDates;
    int& count;
    int& index;

    // The current site's value of a column; empty outside slots 0 to 200.
    QString current(const SiteColumn& column) const
    {
        return index >= 0 && index < kSiteSlots ? column[size_t(index)] : QString();
    }
};

SiteColumns downloadSiteColumns(SiteTables& tables);
SiteColumns uploadSiteColumns(SiteTables& tables);
