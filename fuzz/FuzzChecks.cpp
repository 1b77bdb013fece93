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
quint8 switchesOf(QByteArrayView input)
{
    return input.isEmpty() ? 0 : quint8(input.front());
}

QByteArrayView afterSwitches(QByteArrayView input)
{
    return input.isEmpty() ? input : input.sliced(1);
}

// The first of several checks' findings; empty when none found any.
QString firstBroken(const QList<QString>& findings)
{
    const auto found = std::find_if(findings.begin(), findings.end(), [](const QString& f) { return !f.isEmpty(); });
    return found == findings.end() ? QString() : *found;
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// --- Reply framer -----------------------------------------------------------

// Past the framer's cap, so that the stream can overflow it, and no further:
// a longer stream finds nothing more and slows the fuzzer down.
constexpr qsizetype kStreamLimit = ReplyFramer::kMaxReplyBytes + 64 * 1024;

// Where the reply that starts at `from` ends (RFC 959, 4.2): after its first
// line, or, when that opens a multi-line reply "ddd-", after the first later
// line that starts "ddd "; -1 when the bytes hold no such end yet.
qsizetype replyEnd(QByteArrayView bytes, qsizetype from)
{
    const QByteArrayView reply = bytes.sliced(from);
    const bool multiLine = reply.size() > 3 && std::all_of(reply.begin(), reply.begin() + 3, [](char c) {
        return c >= '0' && c <= '9';
    }) && reply[3] == '-';
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
// can pass the framer's cap. Each reply taken is the bytes from the end of the
// one before to its own end; none is held back once complete; the framer
// overflows exactly when it would hold more than its cap, and then starts again.
QString checkReplyFramer(QByteArrayView input)
{
    const quint8 pieces = switchesOf(input);
    const int repeats = 1 << (switchesOf(afterSwitches(input)) % 8);
    const QByteArrayView payload = afterSwitches(afterSwitches(input));
    QByteArray stream;
    for (int i = 0; i < repeats && !payload.isEmpty() && stream.size() < kStreamLimit; ++i)
        stream.append(payload);

    ReplyFramer framer;
    // A long stream still arrives in a few thousand pieces at most: a feed per
    // byte of it would take the fuzzer's time and find nothing a short one
    // does not.
    const qsizetype smallestPiece = std::max<qsizetype>(1, stream.size() / 4096);
    const qsizetype largestPiece = qsizetype(1) << (pieces % 17);
    quint32 random = pieces;
    qsizetype fed = 0;
    qsizetype framedTo = 0;
    while (fed < stream.size()) {
        random = random * 1103515245u + 12345u;
        const qsizetype piece = std::min(smallestPiece + qsizetype(random >> 8) % largestPiece, stream.size() - fed);
        framer.feed(QByteArray::fromRawData(stream.constData() + fed, piece));
        fed += piece;
        const QByteArrayView received = QByteArrayView(stream).first(fed);
        while (framer.hasReply()) {
            const qsizetype end = replyEnd(received, framedTo);
            if (end < 0 || framer.takeReply() != received.sliced(framedTo, end - framedTo))
                return QStringLiteral("a reply is not the bytes from the end of the one before to its own end");
            framedTo = end;
        }
        const qsizetype held = fed - framedTo;
        if (framer.overflowed() != (held > ReplyFramer::kMaxReplyBytes))
            return QStringLiteral("%1 bytes held, overflow reported: %2").arg(held).arg(framer.overflowed());
        if (framer.overflowed()) {
            // As the session does: the bytes held are dropped and the framer
            // starts again.
            framer.clear();
            framedTo = fed;
        } else if (replyEnd(received, framedTo) >= 0) {
            return QStringLiteral("a complete reply is held back");
        }
    }
    return {};
}

// --- Listing names ----------------------------------------------------------

// A name the retrieval loop may take stands for a file in the working folder
// and goes into an FTP command.
bool unsafePick(const QString& name)
{
    return name.isEmpty() || isDotEntry(name) || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\'))
        || std::any_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 32 || c.unicode() == 127; });
}

// The walk shows nothing the checks read.
class UnseenView : public WindowlessView {
public:
    void showMessage(const QString&) override {}
    void fileRecorded(JobKind, const QString&) override {}
    void jobStarted(JobKind, const QString&) override {}
    void jobEnded(JobKind, const QString&) override {}
};

// One engine for every input, its outcome log in a folder of its own, the
// current one.
Engine& listingEngine()
{
    static QTemporaryDir logFolder;
    static UnseenView view;
    static Engine* engine = [] {
        QDir::setCurrent(logFolder.path());
        return new Engine(view);
    }();
    return *engine;
}

// The NLST walk: every CR ends a name, which starts after the last character
// coded 0 to 13 before it. "." and ".." are passed over; a name that is not
// safe as a local file name is refused with one outcome line, once per job;
// every other is picked, in order.
QString checkNlstWalk(const QString& listing)
{
    QStringList expected;
    QSet<QString> refused;
    for (qsizetype end = listing.indexOf(QLatin1Char('\r')); end >= 0; end = listing.indexOf(QLatin1Char('\r'), end + 1)) {
        qsizetype start = end;
        while (start > 0 && listing.at(start - 1).unicode() > 13)
            --start;
        const QString name = listing.mid(start, end - start);
        if (!isDotEntry(name))
            isSafeLocalName(name) ? void(expected.append(name)) : void(refused.insert(name));
    }

    Engine& p = listingEngine();
    QFile outcomeLog(QStringLiteral("dl_file_size.log"));
    outcomeLog.remove();
    p.transfer.downloadFailedNames.clear();
    p.fText5.setText(listing);
    p.session.downloadState = ProtocolState::Transfer;
    p.transfer.listingScanPosition = 1;
    QStringList picks;
    for (p.transfer.downloadVerifyGate = true; nextNlstName(p); p.transfer.downloadVerifyGate = true) {
        picks.append(p.session.downloadCurrentFile);
        if (picks.size() > expected.size() || unsafePick(picks.last()))
            return QStringLiteral("the NLST walk picks a name it should not: ") + picks.last();
    }
    const qsizetype refusalLines = outcomeLog.open(QIODevice::ReadOnly) ? outcomeLog.readAll().count('\n') : 0;
    outcomeLog.remove();
    if (picks != expected)
        return QStringLiteral("the NLST walk picked %1 names, the listing holds %2").arg(picks.size()).arg(expected.size());
    if (refusalLines != refused.size())
        return QStringLiteral("%1 refused NLST names, %2 outcome lines").arg(refused.size()).arg(refusalLines);
    return {};
}

// Whether the line ends in the name in the Unix form: right after the blank
// that follows its time ("10:30") or year ("2020").
bool unixFormName(const QString& line, const QString& name)
{
    const qsizetype start = line.size() - name.size();
    if (!line.endsWith(name) || start < 6 || line.at(start - 1) != QLatin1Char(' '))
        return false;
    const QString field = line.mid(start - 6, 5);
    return (field.at(2) == QLatin1Char(':') && isDigit(field.at(3)) && isDigit(field.at(4)))
        || std::all_of(field.begin() + 1, field.end(), isDigit);
}

// The LIST names, line by line: a line in the Unix form gives one name, the
// whole rest of the line after its date; any other line gives the words that
// start four characters after each colon (the one of "hh:mm "). Every name
// that is safe as a local file name is safe to pick.
QString checkListNames(const QString& listing)
{
    QStringList byLine;
    for (const QString& line : listing.split(QRegularExpression(QStringLiteral("[\r\n]+")), Qt::SkipEmptyParts)) {
        const QStringList names = collectListNames(line);
        byLine << names;
        if (names.size() == 1 && unixFormName(line, names.first()))
            continue;
        qsizetype from = 0;
        for (const QString& name : names) {
            const qsizetype colon = line.indexOf(QLatin1Char(':'), from);
            if (colon < 0 || line.mid(colon + 4, name.size()) != name
                || std::any_of(name.begin(), name.end(), [](QChar c) { return c.unicode() <= ' '; }))
                return QStringLiteral("a LIST name is not the word after a time");
            from = colon + 4 + name.size();
        }
    }
    if (collectListNames(listing) != byLine)
        return QStringLiteral("the LIST names of a listing are not those of its lines");
    for (const QString& name : byLine) {
        if (isSafeLocalName(name) && !isDotEntry(name) && unsafePick(name))
            return QStringLiteral("a LIST name deemed safe is not: ") + name;
    }
    return {};
}

// The tail is the longest end of the pattern without a character below "0".
QString checkPatternTail(const QString& pattern)
{
    const std::optional<QString> tail = patternTail(pattern);
    if (pattern.isEmpty())
        return tail ? QStringLiteral("an empty pattern has a tail") : QString();
    const qsizetype start = pattern.size() - (tail ? tail->size() : 0);
    if (!tail || !pattern.endsWith(*tail) || std::any_of(tail->begin(), tail->end(), [](QChar c) { return c < '0'; })
        || (start > 0 && pattern.at(start - 1) >= QLatin1Char('0')))
        return QStringLiteral("a pattern's tail is not its longest end without a character below \"0\"");
    return {};
}

// The bytes are a listing as the data connection delivers it (Latin-1); its
// first line doubles as the LIST file pattern.
QString checkListingNames(QByteArrayView input)
{
    const QString listing = QString::fromLatin1(input);
    const qsizetype firstLineEnd = std::find_if(listing.begin(), listing.end(), [](QChar c) { return c.unicode() <= 13; })
        - listing.begin();
    return firstBroken({ checkNlstWalk(listing), checkListNames(listing), checkPatternTail(listing.first(firstLineEnd)) });
}

// --- Transfer size ----------------------------------------------------------

// The first byte's lowest bit is "File Size Exists"; the rest is the reply to
// RETR as the control connection reads it (Latin-1). The size is the number of
// an announcement "(N bytes)" or "(N byte)" that ends the reply, blanks, tabs
// and line ends after it aside: -1 when a period follows it or it passes 32
// bits. A reply that ends otherwise announces nothing: -1, or -2 under "File
// Size Exists", and -2 never lets a file pass. A file that may be deleted
// passes.
QString checkTransferSize(QByteArrayView input)
{
    const bool fileSizeExists = switchesOf(input) & 1;
    const QString reply = QString::fromLatin1(afterSwitches(input));
    QString end = reply;
    while (!end.isEmpty() && QStringView(u" \t\r\n").contains(end.back()))
        end.chop(1);
    const bool period = end.endsWith(QLatin1Char('.'));
    end.chop(period ? 1 : 0);
    const qsizetype open = end.lastIndexOf(QLatin1Char('('));
    const QString inside = open < 0 || !end.endsWith(QLatin1Char(')')) ? QString() : end.mid(open + 1).chopped(1);
    const qsizetype blank = inside.lastIndexOf(QLatin1Char(' '));
    const QStringView word = QStringView(inside).sliced(blank + 1);
    QStringView digits = QStringView(inside).first(std::max<qsizetype>(blank, 0));
    int expected = fileSizeExists ? -2 : -1;
    if (blank > 0 && (word == u"bytes" || word == u"byte") && std::all_of(digits.begin(), digits.end(), isDigit)) {
        while (digits.size() > 1 && digits.startsWith(u'0'))
            digits = digits.sliced(1);
        const bool fits = digits.size() < 10 || (digits.size() == 10 && digits <= u"2147483647");
        expected = period || !fits ? -1 : digits.toInt();
    }
    const int size = parseTransferSize(reply, fileSizeExists);
    if (size != expected)
        return QStringLiteral("the reply announces %1, parsed as %2").arg(expected).arg(size);
    const qint64 received = afterSwitches(input).size();
    for (const bool ascii : { false, true }) {
        if ((size == -2 && sizeFitsAnnounced(size, received, ascii))
            || (sizeAllowsDelete(size, received) && !sizeFitsAnnounced(size, received, ascii)))
            return QStringLiteral("a file passes against a size of -2, or may be deleted without passing");
    }
    return {};
}

// --- Settings lines ---------------------------------------------------------

// What a text keeps through a save: the format has no escape, so a double
// quote, a line break or a character outside Latin-1 is left out.
QString savedText(QString text)
{
    text.removeIf([](QChar c) { return c.unicode() > 255 || c == u'"' || c == u'\r' || c == u'\n'; });
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
    if (!loaded)
        return QStringLiteral("a saved site line does not load");
    QStringList expected;
    for (const QString& value : valuesOf(site))
        expected << savedText(value);
    const std::optional<QString> scrambled = scramblePassword(site.password);
    const bool written = recallPassword || site.user.toLower() == QLatin1String("anonymous");
    expected[2] = written && scrambled && savedText(*scrambled) == *scrambled ? site.password : QString();
    return valuesOf(*loaded) == expected ? QString() : QStringLiteral("a site changes through a save and a load");
}

// The working folder keeps any character but a double quote or a line break.
QString checkWorkPathSaved(QString folder)
{
    const std::optional<QString> loaded = parseWorkPathLine(workPathLine(folder));
    folder.removeIf([](QChar c) { return c == u'"' || c == u'\r' || c == u'\n'; });
    return loaded == folder ? QString() : QStringLiteral("a working folder changes through a save and a load");
}

// A stored password is Latin-1, as the settings file is.
QString checkPasswordScrambling(const QString& text)
{
    const bool storable = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 255; });
    const auto plain = unscramblePassword(text);
    const auto stored = scramblePassword(text);
    if ((storable && plain && scramblePassword(*plain) != text) || (stored && unscramblePassword(*stored) != text))
        return QStringLiteral("scrambling and unscrambling a password do not undo each other");
    return {};
}

// The rest of the input is read twice: as a line of a settings file, which
// must load or be refused, and whatever loads must save and load back as
// itself; and as a site typed into the window, its ten values separated by
// NUL bytes (bit 1 of the first byte: typed as UTF-8, else Latin-1), which
// must save and load back as itself but for what the format cannot hold. Bit
// 0 is "Recall Password".
QString checkSettingsLines(QByteArrayView input)
{
    const quint8 switches = switchesOf(input);
    const bool recallPassword = switches & 1;
    const QByteArray line = afterSwitches(input).toByteArray();
    QList<QString> values;
    for (const QByteArray& value : line.split('\0'))
        values.append(switches & 2 ? QString::fromUtf8(value) : QString::fromLatin1(value));
    values.resize(10);
    const SiteRecord typed { values[0], values[1], values[2], values[3], values[4],
                             values[5], values[6], values[7], values[8], values[9] };
    QList<QString> findings { checkSiteSaved(typed, recallPassword), checkWorkPathSaved(typed.path),
                              checkPasswordScrambling(typed.password) };
    if (const std::optional<SiteRecord> loaded = parseSiteLine(line))
        findings.append(checkSiteSaved(*loaded, recallPassword));
    if (const std::optional<QString> folder = parseWorkPathLine(line))
        findings.append(checkWorkPathSaved(*folder));
    return firstBroken(findings);
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

const FuzzTarget* findFuzzTarget(QLatin1StringView name)
{
    const auto found = std::find_if(kTargets.begin(), kTargets.end(), [name](const FuzzTarget& t) { return name == QLatin1StringView(t.name); });
    return found == kTargets.end() ? nullptr : &*found;
}
