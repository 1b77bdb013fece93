#pragma once

#include <QString>

struct Job;

// One step of the login and directory sequence per reply, from the greeting
// until the listing is under way: USER, PASS, CWD, PWD, TYPE A, PORT and the
// listing request. The download job's downloadLoginStep and the upload job's
// uploadLoginStep, written once.
void loginStep(Job& job);

// A reply to PASS that refuses the login, whatever its code: it holds "denied",
// "530", "incorrect" or "invalid" in any case.
bool isLoginRefusal(const QString& reply);
