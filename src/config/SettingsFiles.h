#pragma once

#include "config/SettingsFormat.h"
#include "config/SiteTables.h"

#include <QString>

// The site tables and the working folder, kept between runs in the program's
// current folder.

inline const QString kDownloadSiteFile = QStringLiteral("valuesd.log");
inline const QString kUploadSiteFile = QStringLiteral("valuesu.log");
inline const QString kWorkPathFile = QStringLiteral("pather.log");

// One slot of a table as a line of a site file holds it, and back. The
// last-run date is not part of it.
SiteRecord siteAt(const SiteColumns& table, int slot);
void putSite(SiteColumns& table, int slot, const SiteRecord& site);

// Reads a site file into the table; a missing file gives no sites. False when
// the file held something that is not a site (or a 201st site): the sites
// before the fault stay, and a copy of the file is kept beside it (".bad"),
// since the next save writes only what was read.
bool loadSiteTable(SiteColumns& table, const QString& fileName);
// Saves the table; a failed save leaves the previous file whole.
bool saveSiteTable(const SiteColumns& table, const QString& fileName, bool recallPassword);

// The working folder in "pather.log": empty when the file is missing or
// unreadable.
QString readWorkPath();
bool saveWorkPath(const QString& folder);

// Why the settings cannot be kept in the current folder, in words for the
// operator, or empty when they can: the folder, and each settings file in it,
// must be readable and writable (closing saves them).
QString settingsFolderProblem();
