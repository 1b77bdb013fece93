// One libFuzzer target: TOLVANE_FUZZ_TARGET names the area of FuzzChecks it
// runs. A broken property aborts, so libFuzzer keeps the input as a crash.
#include "FuzzChecks.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

static const FuzzTarget* target = nullptr;

extern "C" int LLVMFuzzerInitialize(int*, char*** argv)
{
    // The listing walk runs on an engine, whose sockets and timers need an
    // application. Qt gets no argument of libFuzzer's to parse.
    static int qtArgc = 1;
    static char* qtArgv[] = { (*argv)[0], nullptr };
    new QCoreApplication(qtArgc, qtArgv);
    for (const FuzzTarget& t : fuzzTargets())
        target = QLatin1StringView(t.name) == TOLVANE_FUZZ_TARGET ? &t : target;
    if (!target) {
        std::fprintf(stderr, "no fuzz target named %s\n", TOLVANE_FUZZ_TARGET);
        std::exit(2);
    }
    // What a check sets up once (the listing walk's engine) is set up here, so
    // that the leak check of each input sees only that input's allocations.
    target->check({});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    const QString broken = target->check(QByteArrayView(data, qsizetype(size)));
    if (!broken.isEmpty()) {
        std::fprintf(stderr, "%s: %s\n", target->name, qPrintable(broken));
        std::abort();
    }
    return 0;
}
