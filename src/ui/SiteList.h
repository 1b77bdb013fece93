#pragma once

#include <QString>

struct Row;
struct Window;

// A job's switch and its list of sites, as the operator works them.

// The switch (Check1 / Check2) changed: off stops the schedule and makes every
// site eligible again; on checks the row first.
void jobSwitchClicked(Row& row);

// The host text changed (typed, or set by the program through setHostText):
// empty clears the row; a first letter creates a site; further letters rename it.
void hostTextChanged(Row& row, const QString& host);
// A site was picked from the list (or by the program through selectHost).
void hostPicked(Row& row);
void setHostText(Row& row, const QString& host);
void selectHost(Row& row, int position);

void showSite(Row& row);
void storeNewSite(Row& row);
void clearFields(Row& row);
// "Remove Download Site" / "Remove Upload Site": the current site goes and the
// sites after it move up.
void removeCurrentSite(Row& row);
// The duplicate-check box sets the running job's check and the current site's flag.
void dupeBoxChanged(Row& row);

// The window as start-up leaves it: the loaded sites in the host lists and,
// unless a site file did not load whole, each row showing its first site;
// both duplicate checks on; the working folder in the status line.
void showStartState(Window& window, bool sitesRead);
