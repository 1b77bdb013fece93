#pragma once

#include <QByteArrayView>
#include <QString>
#include <span>

// The areas that read untrusted bytes, each with the properties it must keep
// on any input. The libFuzzer targets run these checks on generated inputs;
// the regression test replays the kept ones (fuzz/seeds/<name>/ and
// fuzz/regressions/<name>/) through the same checks in the normal build.
struct FuzzTarget {
    const char* name;
    // The first property the input breaks, described; empty when it keeps all.
    QString (*check)(QByteArrayView input);
};

std::span<const FuzzTarget> fuzzTargets();
