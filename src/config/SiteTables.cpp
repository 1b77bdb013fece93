#include "config/SiteTables.h"

SiteColumns downloadSiteColumns(SiteTables& t)
{
    return { t.downloadHosts, t.downloadUsers, t.downloadPasswords, t.downloadPaths,
             t.downloadPorts, t.downloadPatterns, t.downloadDupeFlags, t.downloadActiveFlags,
             t.downloadHours, t.downloadAmPm, t.downloadLastRunDates, t.downloadSiteCount,
             t.downloadSiteIndex };
}

SiteColumns uploadSiteColumns(SiteTables& t)
{
    return { t.uploadHosts, t.uploadUsers, t.uploadPasswords, t.uploadPaths,
             t.uploadPorts, t.uploadPatterns, t.uploadDupeFlags, t.uploadActiveFlags,
             t.uploadHours, t.uploadAmPm, t.uploadLastRunDates, t.uploadSiteCount,
             t.uploadSiteIndex };
}
