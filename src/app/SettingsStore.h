#pragma once

#include "config/SettingsFormat.h"
#include "config/SiteTables.h"

#include <QString>

class Program;

// The site tables and the working folder, kept between runs in the program's
// current folder.

// One slot of a table as a line of a site file holds it, and back. The
// last-run date is not part of it.
SiteRecord siteAt(const SiteColumns& table, int slot);
void putSite(SiteColumns& table, int slot, const SiteRecord& site);

// Loads "valuesd.log" and "valuesu.log" into the tables and host lists and
// fills each row from its first site. A file that cannot be read to its end
// keeps the sites before the fault; a copy of it is kept beside it (".bad"),
// since the next save writes only what was read.
void loadSites(Program& program);
// Saves both tables; a failed save leaves the previous file whole.
bool saveSites(Program& program);

// The working folder in "pather.log": empty when the file is missing or
// unreadable.
QString readWorkPath();
bool saveWorkPath(Program& program);
