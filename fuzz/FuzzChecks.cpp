#include "FuzzChecks.h"

#include "config/SettingsFormat.h"
#include "ftp/ReplyFramer.h"
#include "schedule/Engine.h"
#include "transfer/FileNames.h"
#include "transfer/ListingScan.h"
#include "transfer/RetrievalLoop.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <algorithm>
#include <array>

namespace {

// The first byte of an input carries switches; the rest is the bytes that a
// server or a settings file would hold.
quint8 switchesOf(QByteArrayView input) { return input.isEmpty() ? 0 : quint8(input.front()); }
QByteArrayView afterSwitches(QByteArrayView input) { return input.isEmpty() ? input : input.sliced(1); }

// The first of several checks' findings; empty when none found any.
QString firstBroken(const QStringList& findings)
{
    const auto found = std::find_if(findings.begin(), findings.end(), [](const QString& f) { return !f.isEmpty(); });
    return found == findings.end() ? QString() : *found;
}

constexpr auto isDigit = [](auto c) { return c >= '0' && c <= '9'; };

// --- Reply framer -----------------------------------------------------------

// Where the reply that starts at `from` ends (RFC 959, 4.2): after its first
// line, or, when that opens a multi-line reply "ddd-", after the first later
// line that starts "ddd "; -1 when the bytes hold no such end yet.
qsizetype replyEnd(QByteArrayView bytes, qsizetype from)
{
    const QByteArrayView reply = bytes.sliced(from);
    const bool multiLine = reply.size() > 3 && std::all_of(reply.begin(), reply.begin() + 3, isDigit) && reply[3] == '-';
    qsizetype end = reply.indexOf('\n');
    while (multiLine && end >= 0) {
        const QByteArrayView line = reply.sliced(end + 1);
        end = reply.indexOf('\n', end + 1);
        if (line.size() > 3 && line.first(3) == reply.first(3) && line[3] == ' ')
            break;
    }
    return end < 0 ? -1 : from + end + 1;
}

// The first byte picks the sizes of the pieces in which the stream arrives, as
// socket reads would hand it over; the second how many times (1 to 128) the
// rest is repeated to make the stream, so that an input of a few kilobytes
// can pass the framer's cap (a stream far past it finds nothing more). Each
// reply taken is the bytes from the end of the one before to its own end;
// none is held back once complete; the framer overflows exactly when it would
// hold more than its cap, and then starts again.
QString checkReplyFramer(QByteArrayView input)
{
    const quint8 pieces = switchesOf(input);
    const QByteArrayView payload = afterSwitches(afterSwitches(input));
    QByteArray stream;
    for (int i = 1 << (switchesOf(afterSwitches(input)) % 8); i > 0 && !payload.isEmpty()
         && stream.size() < ReplyFramer::kMaxReplyBytes + 64 * 1024; --i)
        stream.append(payload);
    ReplyFramer framer;
    // A few thousand pieces at most: a feed per byte of a long stream finds
    // nothing a short one does not.
    const qsizetype smallestPiece = std::max<qsizetype>(1, stream.size() / 4096);
    quint32 random = pieces;
    for (qsizetype fed = 0, framedTo = 0; fed < stream.size();) {
        random = random * 1103515245u + 12345u;
        const qsizetype piece = std::min(smallestPiece + qsizetype(random >> 8) % (qsizetype(1) << (pieces % 17)),
                                         stream.size() - fed);
        framer.feed(QByteArray::fromRawData(stream.constData() + fed, piece));
        fed += piece;
        const QByteArrayView received = QByteArrayView(stream).first(fed);
        for (qsizetype end = 0; framer.hasReply(); framedTo = end) {
            end = replyEnd(received, framedTo);
            if (end < 0 || framer.takeReply() != received.sliced(framedTo, end - framedTo))
                return "a reply is not the bytes from the end of the one before to its own end";
        }
        if (framer.overflowed() != (fed - framedTo > ReplyFramer::kMaxReplyBytes))
            return QStringLiteral("%1 bytes held, overflow reported: %2").arg(fed - framedTo).arg(framer.overflowed());
        if (!framer.overflowed() && replyEnd(received, framedTo) >= 0)
            return "a complete reply is held back";
        // As the session does: the bytes held are dropped, the framer starts again.
        if (framer.overflowed()) {
            framer.clear();
            framedTo = fed;
        }
    }
    return {};
}

// --- Listing names ----------------------------------------------------------

// A name the retrieval loop may take stands for a file in the working folder
// and goes into an FTP command.
bool unsafePick(const QString& name)
{
    return name.isEmpty() || name == "." || name == ".." || name.contains(u'/') || name.contains(u'\\')
        || std::any_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 32 || c.unicode() == 127; });
}

class UnseenView : public WindowlessView {
    void showMessage(const QString&) override {}
    void fileRecorded(JobKind, const QString&) override {}
    void jobStarted(JobKind, const QString&) override {}
    void jobEnded(JobKind, const QString&) override {}
};

// The NLST walk: every CR ends a name, which starts after the last character
// coded 0 to 13 before it. "." and ".." are passed over; a name that is not
// safe as a local file name is refused with one outcome line, once per job;
// every other is picked, in order. One engine walks every input, its outcome
// log in a folder of its own, the current one.
QString checkNlstWalk(const QString& listing)
{
    static QTemporaryDir logFolder;
    static UnseenView view;
    static Engine& p = *[] {
        QDir::setCurrent(logFolder.path());
        return new Engine(view);
    }();
    QStringList expected;
    QSet<QString> refused;
    for (qsizetype end = listing.indexOf(u'\r'); end >= 0; end = listing.indexOf(u'\r', end + 1)) {
        qsizetype start = end;
        while (start > 0 && listing.at(start - 1).unicode() > 13)
            --start;
        const QString name = listing.mid(start, end - start);
        if (!isDotEntry(name))
            isSafeLocalName(name) ? void(expected.append(name)) : void(refused.insert(name));
    }
    QFile outcomeLog(QStringLiteral("dl_file_size.log"));
    outcomeLog.remove();
    p.transfer.downloadFailedNames.clear();
    p.fText5.setText(listing);
    p.session.downloadState = ProtocolState::Transfer;
    p.transfer.listingScanPosition = 1;
    // A walk that picks more names than there are ends there.
    QStringList picks;
    for (p.transfer.downloadVerifyGate = true; picks.size() <= expected.size() && nextNlstName(p);
         p.transfer.downloadVerifyGate = true)
        picks.append(p.session.downloadCurrentFile);
    const qsizetype refusalLines = outcomeLog.open(QIODevice::ReadOnly) ? outcomeLog.readAll().count('\n') : 0;
    outcomeLog.remove();
    if (picks != expected || refusalLines != refused.size())
        return QStringLiteral("the NLST walk picked %1 of %2 names and refused %3 in %4 outcome lines")
            .arg(picks.size()).arg(expected.size()).arg(refused.size()).arg(refusalLines);
    return {};
}

// Every LIST name that is safe as a local file name is safe to pick.
QString checkListNames(const QString& listing)
{
    const QStringList names = collectListNames(listing);
    const auto unsafe = std::find_if(names.begin(), names.end(), [](const QString& name) {
        return isSafeLocalName(name) && !isDotEntry(name) && unsafePick(name);
    });
    return unsafe == names.end() ? QString() : "a LIST name deemed safe is not: " + *unsafe;
}

// The bytes are a listing as the data connection delivers it (Latin-1).
QString checkListingNames(QByteArrayView input)
{
    const QString listing = QString::fromLatin1(input);
    return firstBroken({ checkNlstWalk(listing), checkListNames(listing) });
}

// --- Transfer size ----------------------------------------------------------

// The first byte's lowest bit is "File Size Exists"; the rest is the reply to
// RETR as the control connection reads it (Latin-1). The size is the number of
// an announcement "(N bytes)" or "(N byte)" that ends the reply, blanks, tabs
// and line ends after it aside: -1 when a period follows it or it passes 32
// bits. A reply that ends otherwise announces nothing: -1, or -2 under "File
// Size Exists", and -2 never lets a file pass.
QString checkTransferSize(QByteArrayView input)
{
    const bool fileSizeExists = switchesOf(input) & 1;
    const QString reply = QString::fromLatin1(afterSwitches(input));
    static const QRegularExpression announcement(QStringLiteral("\\(([0-9]+) bytes?\\)(\\.?)[ \t\r\n]*\\z"));
    const QRegularExpressionMatch found = announcement.match(reply);
    bool fits = false;
    const int announced = found.hasMatch() ? found.captured(1).toInt(&fits) : 0;
    const int expected = !found.hasMatch() ? (fileSizeExists ? -2 : -1) : fits && found.captured(2).isEmpty() ? announced : -1;
    const int size = parseTransferSize(reply, fileSizeExists);
    if (size != expected)
        return QStringLiteral("the reply announces %1, parsed as %2").arg(expected).arg(size);
    const qint64 received = afterSwitches(input).size();
    return size == -2 && (sizeFitsAnnounced(size, received, false) || sizeFitsAnnounced(size, received, true))
        ? "a file passes against a size of -2" : QString();
}

// --- Settings lines ---------------------------------------------------------

// What a text keeps through a save: the format has no escape, so a double
// quote, a line break or (but in the working folder) a character outside
// Latin-1 is left out.
QString savedText(QString text, bool latin1 = true)
{
    text.removeIf([latin1](QChar c) { return (latin1 && c.unicode() > 255) || c == u'"' || c == u'\r' || c == u'\n'; });
    return text;
}

QStringList valuesOf(const SiteRecord& r)
{
    return { r.host, r.user, r.password, r.path, r.port, r.pattern, r.dupeFlag, r.activeFlag, r.hour, r.amPm };
}

// A site comes back from a save and a load as savedText makes its fields. The
// password comes back whole or not at all: whole when it is written (Recall
// Password, or the user "anonymous") and its scrambled form can be saved.
QString checkSiteSaved(const SiteRecord& site, bool recallPassword)
{
    const std::optional<SiteRecord> loaded = parseSiteLine(siteLine(site, recallPassword));
    QStringList expected;
    for (const QString& value : valuesOf(site))
        expected << savedText(value);
    const std::optional<QString> scrambled = scramblePassword(site.password);
    const bool written = recallPassword || site.user.toLower() == "anonymous";
    expected[2] = written && scrambled && savedText(*scrambled) == *scrambled ? site.password : QString();
    return loaded && valuesOf(*loaded) == expected ? QString() : "a site changes through a save and a load";
}

// The working folder keeps any character but a double quote or a line break.
QString checkWorkPathSaved(const QString& folder)
{
    return parseWorkPathLine(workPathLine(folder)) == savedText(folder, false)
        ? QString() : "a working folder changes through a save and a load";
}

// The rest of the input is read twice: as a line of a settings file, which
// must load or be refused, and whatever loads must save and load back as
// itself; and as a site typed into the window, its ten values separated by
// NUL bytes (bit 1 of the first byte: typed as UTF-8, else Latin-1), which
// must save and load back as itself but for what the format cannot hold. Bit
// 0 is "Recall Password".
QString checkSettingsLines(QByteArrayView input)
{
    const bool recall = switchesOf(input) & 1;
    const QByteArray line = afterSwitches(input).toByteArray();
    QStringList v;
    for (const QByteArray& value : line.split('\0'))
        v << (switchesOf(input) & 2 ? QString::fromUtf8(value) : QString::fromLatin1(value));
    v.resize(10);
    const std::optional<SiteRecord> loaded = parseSiteLine(line);
    const std::optional<QString> folder = parseWorkPathLine(line);
    return firstBroken({ checkSiteSaved({ v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9] }, recall),
                         checkWorkPathSaved(v[3]), loaded ? checkSiteSaved(*loaded, recall) : QString(),
                         folder ? checkWorkPathSaved(*folder) : QString() });
}

constexpr std::array kTargets {
    FuzzTarget { "reply_framer", checkReplyFramer },
    FuzzTarget { "listing_names", checkListingNames },
    FuzzTarget { "transfer_size", checkTransferSize },
    FuzzTarget { "settings_lines", checkSettingsLines },
};

}

std::span<const FuzzTarget> fuzzTargets()
{
    return kTargets;
}
