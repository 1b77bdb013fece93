#include "support/ListingPicks.h"

#include "support/Measure.h"
#include "support/EngineUnderTest.h"

#include "transfer/RetrievalLoop.h"

#include <QTimer>

namespace {

constexpr int kRuns = 9;

QString nameAt(int i)
{
    return QStringLiteral("CDR_%1.dat").arg(i, 6, 10, QLatin1Char('0'));
}

QString nlstListing(int names)
{
    QString listing;
    for (int i = 0; i < names; ++i)
        listing += nameAt(i) + QStringLiteral("\r\n");
    return listing;
}

QString listListing(int lines)
{
    QString listing;
    for (int i = 0; i < lines; ++i)
        listing += QStringLiteral("-rw-r--r--    1 1001     1001     %1 Oct 15 14:05 ").arg(100'000 + i, 12)
            + nameAt(i) + QStringLiteral("\r\n");
    return listing;
}

// A program whose download job has just received the listing and stands at
// the first pick.
void atFirstPick(Engine& p, const QString& listing)
{
    p.fText5.setText(listing);
    p.session.downloadState = ProtocolState::Transfer;
    p.transfer.downloadVerifyGate = true;
    p.transfer.listingScanPosition = 1;
    p.transfer.listingEntryIndex = 0;
}

template <typename Picker>
PickFigures leastOverRuns(int entries, const QString& listing, Picker pick)
{
    PickFigures figures { entries, 0, 0 };
    EngineUnderTest put;
    Engine& p = put.engine;
    p.downloadFields.pattern = QStringLiteral("*.dat");
    // A zero-interval timer runs on the first pass of the event loop, that
    // is, inside a pause of the LIST picker: it completes the pause's count.
    QTimer endPause;
    QObject::connect(&endPause, &QTimer::timeout, [&p] { p.session.downloadWaitSeconds = 10; });
    endPause.start(0);
    for (int run = 0; run < kRuns; ++run) {
        atFirstPick(p, listing);
        int picked = 0;
        const Moment before = momentNow();
        while (pick(p))
            ++picked;
        const double cpu = momentNow().cpuSeconds - before.cpuSeconds;
        if (run == 0 || cpu < figures.cpuSeconds)
            figures.cpuSeconds = cpu;
        figures.picked = picked;
    }
    return figures;
}

}

PickFigures pickNlstNames(int names)
{
    return leastOverRuns(names, nlstListing(names), [](Engine& p) { return nextNlstName(p); });
}

PickFigures pickListNames(int lines)
{
    return leastOverRuns(lines, listListing(lines), [](Engine& p) { return nextListName(p); });
}
