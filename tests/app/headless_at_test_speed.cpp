// The headless program as the tests start it: one program second lasts 20 ms,
// so a job's fixed pauses and the schedule's minute pass quickly. The rest is
// the program's own headless run.
#include "app/Headless.h"
#include "platform/TimeScale.h"

int main(int argc, char* argv[])
{
    TimeScale::set(0.02);
    return runHeadless(argc, argv);
}
