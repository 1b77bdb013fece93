#pragma once

#include "config/SettingsFiles.h"
#include "ui/Row.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

// Sites for the settings-file tests, and what the window shows of them.

// A site with every field different from its neighbours', with commas, blanks
// and 8-bit characters where the format holds them.
inline SiteRecord variedSite(const QString& prefix, int slot)
{
    const QString n = QString::number(slot);
    return { prefix + n + QString::fromLatin1(".caf\xe9,x"), QStringLiteral("user ") + n,
             QString::fromLatin1("p\xe4ss,w ") + QString(slot % 40, QLatin1Char('#')) + n,
             QStringLiteral("/in/") + n + QStringLiteral(" a,b"), QString::number(2000 + slot),
             QStringLiteral("*.") + n, slot % 2 ? QStringLiteral("1") : QStringLiteral("0"),
             slot % 3 ? QStringLiteral("0") : QStringLiteral("1"), QString::number(1 + slot % 12),
             slot % 2 ? QStringLiteral("PM") : QStringLiteral("AM") };
}

// The lines of a site file holding that many varied sites.
inline QByteArray goodLines(const QString& prefix, int count)
{
    QByteArray bytes;
    for (int slot = 1; slot <= count; ++slot)
        bytes += siteLine(variedSite(prefix, slot), true) + "\r\n";
    return bytes;
}

inline QStringList itemsOf(const QComboBox* list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items.append(list->itemText(i));
    return items;
}

// Slots 1 to count of a site column.
inline QStringList column(const SiteColumn& column, int count) { return QStringList(column.begin() + 1, column.begin() + 1 + count); }
inline QStringList hostsOf(const SiteColumns& site) { return column(site.hosts, site.count); }

// What a job's row shows: the host, user, password, path, pattern and port,
// and the schedule display.
inline QStringList rowShows(const Row& row)
{
    return { row.hostList->currentText(), row.user->text(), row.password->text(), row.path->text(),
             row.pattern->text(), row.port->text(), row.scheduleDisplay->text() };
}
