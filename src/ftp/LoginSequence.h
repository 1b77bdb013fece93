#pragma once

#include <QString>

class Program;
struct Job;

// One step of the login and directory sequence per reply, in states 0 to 7:
// USER, PASS, CWD, PWD, TYPE A, PORT and the listing request.
void downloadLoginStep(Program& program);
void uploadLoginStep(Program& program);
void loginStep(Job& job);

// A reply to PASS that refuses the login, whatever its code: it holds "denied",
// "530", "incorrect" or "invalid" in any case.
bool isLoginRefusal(const QString& reply);
