#pragma once

#include <QString>

struct SiteColumns;

// A site's time of day on the 12-hour clock: hour "1" to "12" and "AM"/"PM".

// Sets the current site's time to the hour after the one given: 9 AM to
// 10 AM, 11 AM to 12 PM, 12 PM to 1 PM, 11 PM to 12 AM. Writes the site at the
// table's current position, whatever site the given texts came from.
void advanceSiteTime(SiteColumns& site, const QString& hour, const QString& halfDay);

// Whether the first time is not ahead of the second: it is later on the 24-hour
// clock, or earlier but in the other half of the day.
bool siteTimeNotAhead(const QString& hour1, const QString& halfDay1, const QString& hour2,
                      const QString& halfDay2);
