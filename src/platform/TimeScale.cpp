#include "platform/TimeScale.h"

#include <algorithm>
#include <cmath>

namespace {
double currentFactor = 1.0;
}

namespace TimeScale {

void set(double factor) { currentFactor = factor > 0 ? factor : 1.0; }

double factor() { return currentFactor; }

int scaledMs(int programMs)
{
    if (programMs <= 0)
        return 0;
    return std::max(1, int(std::lround(programMs * currentFactor)));
}

}
