#pragma once

#include "config/SiteTables.h"

#include <QString>

class Program;
class Timer;
class Winsock;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

// One job's row of fields and what the row's handlers work on, bound by
// reference: the download and upload rows run the same handlers through it.
struct Row {
    Program& program;
    bool isDownload;
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
    QLabel* stateLabel;
    QLabel* scheduleDisplay;
    Timer& scheduleTimer;
    Winsock& control;
    Winsock& data;
    SiteColumns site;
    int& listIndex;
    bool& fieldsLoading;
    QString& activeText;
    bool& dupeCheck;
    int& tickCount;
    QString switchedOnText;
    QString switchedOffText;
};

Row downloadRow(Program& program);
Row uploadRow(Program& program);

// The site's time and schedule word as the schedule display shows it:
// "3AM Active".
QString scheduleDisplayText(const Row& row, const QString& activeText);
