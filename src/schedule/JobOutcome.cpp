#include "schedule/JobOutcome.h"

#include "ftp/ReplyCodes.h"

QString failureMessage(int errorNumber, bool timedOut)
{
    if (errorNumber == 11001)
        return QStringLiteral("Invalid IP/Host");
    if (errorNumber == kInvalidReplyError)
        return QStringLiteral("Invalid Reply");
    if (errorNumber > 0 || timedOut)
        return QStringLiteral("Timeout Error");
    return QStringLiteral("Invalid User/Pass");
}

bool isSocketError(int errorNumber)
{
    return errorNumber > 0 && errorNumber != 11001 && errorNumber != kInvalidReplyError;
}
