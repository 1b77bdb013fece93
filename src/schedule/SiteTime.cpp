#include "schedule/SiteTime.h"

#include "config/NumberText.h"
#include "config/SiteTables.h"

#include <cmath>

namespace {

int hourOf24HourClock(const QString& hour, const QString& halfDay)
{
    double value = valueOf(hour);
    if (halfDay == QLatin1String("PM") && value < 12)
        value += 12;
    if (halfDay == QLatin1String("AM") && value == 12)
        value -= 12;
    return int(std::lround(value));
}

}

void advanceSiteTime(SiteColumns& site, const QString& hour, const QString& halfDay)
{
    const size_t slot = size_t(site.index);
    if (site.index < 0 || site.index >= kSiteSlots)
        return;
    const double next = valueOf(hour) + 1;
    site.hours[slot] = next > 12 ? QStringLiteral("1") : QString::number(next);
    // The hour after the one given lies in the half of the day given, unless
    // it is 12: the re-check after a job gives the tick's hour, whose half may
    // differ from the site's own.
    if (next == 12)
        site.amPm[slot] = halfDay == QLatin1String("PM") ? QStringLiteral("AM") : QStringLiteral("PM");
    else
        site.amPm[slot] = halfDay;
}

bool siteTimeNotAhead(const QString& hour1, const QString& halfDay1, const QString& hour2,
                      const QString& halfDay2)
{
    const int a = hourOf24HourClock(hour1, halfDay1);
    const int b = hourOf24HourClock(hour2, halfDay2);
    return a > b || (halfDay1 != halfDay2 && a < b);
}
