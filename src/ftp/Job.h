#pragma once

#include "config/SiteTables.h"

#include <QString>

class Program;
class ReplyFramer;
class Timer;
class Winsock;
class QLineEdit;

// One job's objects and session values, bound by reference. The download and
// upload jobs run the same control-session code through it; what differs
// between them is either bound here or tested through isDownload.
struct Job {
    Program& program;
    bool isDownload;
    Winsock& control;
    Winsock& data;
    Timer& secondsTimer;
    int& waitSeconds;
    int& state;
    QString& reply;
    int& errorNumber;
    bool& failed;
    bool& pwdSent;
    bool& dataIsFile;
    bool& bareListing;
    qint64& listingBytes;
    QString& portArgument;
    ReplyFramer& replies;
    bool& replyBeforeStep;
    SiteColumns site;
    QLineEdit* portField;
};

Job downloadJob(Program& program);
Job uploadJob(Program& program);
