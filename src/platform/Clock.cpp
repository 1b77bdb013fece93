#include "platform/Clock.h"

QDateTime Clock::now() const
{
    return fixedTime ? *fixedTime : QDateTime::currentDateTime();
}
