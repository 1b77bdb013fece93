#include "ui/SiteList.h"

#include "config/NumberText.h"
#include "schedule/Engine.h"
#include "schedule/JobSwitch.h"
#include "ui/FieldValidation.h"
#include "ui/Form1.h"
#include "ui/Row.h"
#include "ui/Window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace {

void copySlot(SiteColumns& site, size_t from, size_t to)
{
    for (SiteColumn* column : { &site.hosts, &site.users, &site.passwords, &site.paths, &site.patterns, &site.ports,
                                &site.dupeFlags, &site.activeFlags, &site.hours, &site.amPm })
        (*column)[to] = (*column)[from];
}

// The table holds 200 sites; one more is refused and the table stays as it was.
void refuseNewSite(Row& row)
{
    row.window.form.showMessage(
        QStringLiteral("A schedule holds at most %1 sites: remove one before adding another").arg(kMaxSites));
    setHostText(row, QString());
}

void renameCurrentSite(Row& row, const QString& host)
{
    if (row.site.index >= 0 && row.site.index < kSiteSlots)
        row.site.hosts[size_t(row.site.index)] = host;
    row.hostList->setItemText(row.listIndex, host);
}

void createSite(Row& row, const QString& host)
{
    if (row.site.count >= kMaxSites) {
        refuseNewSite(row);
        return;
    }
    row.fieldsLoading = false;
    ++row.site.count;
    row.site.index = row.site.count;
    if (row.site.count == 1)
        clearFields(row);
    row.site.hosts[size_t(row.site.index)] = host;
    row.hostList->addItem(host);
    row.hostList->setCurrentIndex(row.hostList->count() - 1);
    row.listIndex = row.hostList->count() - 1;
    storeNewSite(row);
}

}

void jobSwitchClicked(Row& row)
{
    turnJobSwitch(row.window.engine, row.kind, row.jobSwitch->isChecked());
}

void hostTextChanged(Row& row, const QString& host)
{
    if (host.isEmpty()) {
        row.fieldsLoading = true;
        clearFields(row);
    } else if (!row.fieldsLoading && row.site.count != 0 && row.listIndex >= 0) {
        renameCurrentSite(row, host);
    } else {
        // With no site shown (the list holds sites but none is current, as
        // after a damaged settings file) the host box is empty: what is typed
        // there is a new site. Appending it only to the list would leave an
        // item with no site behind it, lost at closing.
        createSite(row, host);
    }
}

void hostPicked(Row& row)
{
    row.fieldsLoading = false;
    row.listIndex = row.hostList->currentIndex();
    row.site.index = row.listIndex + 1;
    showSite(row);
}

void setHostText(Row& row, const QString& host)
{
    row.hostList->setEditText(host);
    hostTextChanged(row, host);
}

void selectHost(Row& row, int position)
{
    row.hostList->setCurrentIndex(position);
    hostPicked(row);
}

void showSite(Row& row)
{
    const SiteColumns& site = row.site;
    row.fieldsLoading = true;
    row.user->setText(site.current(site.users));
    row.password->setText(site.current(site.passwords));
    row.path->setText(site.current(site.paths));
    row.pattern->setText(site.current(site.patterns));
    row.port->setText(site.current(site.ports));
    row.fieldsLoading = false;
    checkFields(row);
    row.dupeBox->setChecked(valueOf(site.current(site.dupeFlags)) == 1);
    const bool active = valueOf(site.current(site.activeFlags)) == 1;
    row.scheduleDisplay->setText(scheduleDisplayText(row, active ? QStringLiteral("Active") : QStringLiteral("InActive")));
}

void storeNewSite(Row& row)
{
    SiteColumns& site = row.site;
    const size_t slot = size_t(site.index);
    site.users[slot] = row.user->text();
    site.passwords[slot] = row.password->text();
    site.paths[slot] = row.path->text();
    site.patterns[slot] = row.pattern->text();
    site.ports[slot] = row.port->text();
    row.dupeBox->setChecked(true);
    site.activeFlags[slot] = QStringLiteral("0");
    row.activeText = QStringLiteral("InActive");
    row.scheduleDisplay->setText(scheduleDisplayText(row, row.activeText));
}

void clearFields(Row& row)
{
    row.user->setText(QString());
    row.password->setText(QString());
    row.path->setText(QString());
    row.pattern->setText(QStringLiteral("*.*"));
    row.port->setText(QStringLiteral("21"));
}

void removeCurrentSite(Row& row)
{
    if (!row.user->isEnabled() || row.hostList->currentText().isEmpty() || row.listIndex < 0)
        return;
    clearFields(row);
    SiteColumns& site = row.site;
    row.hostList->removeItem(row.listIndex);
    const int removed = row.listIndex + 1;
    for (int slot = removed + 1; slot <= site.count; ++slot)
        copySlot(site, size_t(slot), size_t(slot - 1));
    const size_t last = size_t(site.count);
    site.dupeFlags[last] = QStringLiteral("1");
    site.activeFlags[last] = QStringLiteral("0");
    site.hours[last] = QStringLiteral("1");
    site.amPm[last] = QStringLiteral("AM");
    if (row.hostList->count() > 0) {
        selectHost(row, 0);
    } else {
        setHostText(row, QString());
        row.scheduleDisplay->setText(QStringLiteral("Not Set"));
        row.fieldsLoading = false;
    }
    row.listIndex = 0;
    --site.count;
    switchJobOff(row);
}

void dupeBoxChanged(Row& row)
{
    const bool checked = row.dupeBox->isChecked();
    row.dupeCheck = checked;
    if (row.site.index >= 0 && row.site.index < kSiteSlots)
        row.site.dupeFlags[size_t(row.site.index)] = checked ? QStringLiteral("1") : QStringLiteral("0");
}

void showStartState(Window& window, bool sitesRead)
{
    Form1& f = window.form;
    f.Check3->setChecked(true);
    f.Check4->setChecked(true);
    f.Label15->setText(QStringLiteral("Working Path is ") + window.engine.workPath);
    for (const JobKind job : { JobKind::Download, JobKind::Upload }) {
        Row row = rowOf(window, job);
        for (int slot = 1; slot <= row.site.count; ++slot)
            row.hostList->addItem(row.site.hosts[size_t(slot)]);
        // A list selects the first host added to it by itself; no site is
        // current until its row is filled, and a host shown over empty fields
        // would take edits that no site receives.
        row.hostList->setCurrentIndex(-1);
    }
    if (!sitesRead)
        return;
    for (const JobKind job : { JobKind::Download, JobKind::Upload }) {
        Row row = rowOf(window, job);
        if (row.site.count < 1)
            continue;
        row.coveredHost->setText(row.site.hosts[1]);
        row.user->setText(row.site.users[1]);
        row.password->setText(row.site.passwords[1]);
        row.path->setText(row.site.paths[1]);
        row.pattern->setText(row.site.patterns[1]);
        row.port->setText(row.site.ports[1]);
        selectHost(row, 0);
    }
}
