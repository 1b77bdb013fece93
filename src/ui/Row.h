#pragma once

#include "config/JobKind.h"
#include "config/RowFields.h"
#include "config/SiteTables.h"

#include <QString>

class Timer;
struct Window;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

// One job's row of fields and what the row's handlers work on, bound by
// reference: the download and upload rows run the same handlers through it.
struct Row {
    Window& window;
    JobKind kind;
    QComboBox* hostList;
    QLineEdit* coveredHost;
    QLineEdit* user;
    QLineEdit* password;
    QLineEdit* path;
    QLineEdit* pattern;
    QLineEdit* port;
    QCheckBox* dupeBox;
    QLineEdit* retries;
    QCheckBox* jobSwitch;
    QLabel* scheduleDisplay;
    Timer& scheduleTimer;
    bool& switchOn;
    RowFields& fields;
    SiteColumns site;
    int& listIndex;
    bool& fieldsLoading;
    QString& activeText;
    bool& dupeCheck;
};

Row downloadRow(Window& window);
Row uploadRow(Window& window);
Row rowOf(Window& window, JobKind job);

// The row's job switch goes off, as when the operator unchecks it: the
// schedule tick stops, and a switch that was on runs its switching-off steps.
void switchJobOff(Row& row);

// The site's time and schedule word as the schedule display shows it:
// "3AM Active".
QString scheduleDisplayText(const Row& row, const QString& activeText);
