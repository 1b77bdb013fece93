#include "FuzzChecks.h"

#include "schedule/Engine.h"
#include "config/SettingsFormat.h"
#include "ftp/ReplyFramer.h"
#include "transfer/FileNames.h"
#include "transfer/ListingScan.h"
#include "transfer/RetrievalLoop.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <algorithm>
#include <array>

namespace {

// The first byte of some inputs carries switches; the rest is the bytes that
// a server or a settings file would hold.
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

bool opensMultiLine(QByteArrayView bytes)
{
    return bytes.size() > 3 && std::all_of(bytes.begin(), bytes.begin() + 3, [](char c) { return c >= '0' && c <= '9'; })
        && bytes.at(3) == '-';
}

bool closesMultiLine(QByteArrayView line, QByteArrayView code)
{
    return line.size() > 3 && line.first(3) == code && line.at(3) == ' ';
}

// The lines of the bytes, each with its LF; the last one may have none.
QList<QByteArrayView> linesOf(QByteArrayView bytes)
{
    QList<QByteArrayView> lines;
    while (!bytes.isEmpty()) {
        const qsizetype end = bytes.indexOf('\n');
        const qsizetype length = end < 0 ? bytes.size() : end + 1;
        lines.append(bytes.first(length));
        bytes = bytes.sliced(length);
    }
    return lines;
}

// A reply is one line, or a multi-line reply (RFC 959, 4.2) from "ddd-" up to
// the first later line that starts with the same code and a blank.
QString badReply(QByteArrayView reply)
{
    if (!reply.endsWith('\n'))
        return QStringLiteral("a reply does not end with a line end");
    const qsizetype firstLineEnd = reply.indexOf('\n');
    if (!opensMultiLine(reply))
        return firstLineEnd + 1 == reply.size() ? QString() : QStringLiteral("a single-line reply holds more than one line");
    if (firstLineEnd + 1 == reply.size())
        return QStringLiteral("a multi-line reply ends on its first line");
    const QList<QByteArrayView> lines = linesOf(reply.sliced(firstLineEnd + 1));
    const QByteArrayView code = reply.first(3);
    if (!closesMultiLine(lines.last(), code))
        return QStringLiteral("a multi-line reply ends before its closing line");
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        if (closesMultiLine(lines.at(i), code))
            return QStringLiteral("a multi-line reply goes on past its closing line");
    }
    return {};
}

// What the framer holds after the stream has ended is no complete reply.
QString badRemainder(QByteArrayView held)
{
    if (!held.contains('\n'))
        return {};
    if (!opensMultiLine(held))
        return QStringLiteral("a complete reply is held back");
    const QList<QByteArrayView> lines = linesOf(held);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (lines.at(i).endsWith('\n') && closesMultiLine(lines.at(i), held.first(3)))
            return QStringLiteral("a complete multi-line reply is held back");
    }
    return {};
}

// The first byte picks the sizes of the pieces in which the stream arrives, as
// socket reads would hand it over; the second how many times (1 to 128) the
// rest is repeated to make the stream, so that an input of a few kilobytes
// can pass the framer's cap.
QString checkReplyFramer(QByteArrayView input)
{
    const quint8 pieces = switchesOf(input);
    const QByteArrayView rest = afterSwitches(input);
    const int repeats = 1 << (switchesOf(rest) % 8);
    const QByteArrayView payload = afterSwitches(rest);
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
    // Where the bytes not yet returned in a reply start: all of them are held
    // by the framer until it overflows.
    qsizetype framedTo = 0;
    while (fed < stream.size()) {
        random = random * 1103515245u + 12345u;
        const qsizetype piece = std::min(smallestPiece + qsizetype(random >> 8) % largestPiece, stream.size() - fed);
        framer.feed(QByteArray::fromRawData(stream.constData() + fed, piece));
        fed += piece;
        while (framer.hasReply()) {
            const QByteArray reply = framer.takeReply();
            if (reply.size() > fed - framedTo || QByteArrayView(stream).sliced(framedTo, reply.size()) != reply)
                return QStringLiteral("the replies joined are not the bytes received, in order");
            if (const QString bad = badReply(reply); !bad.isEmpty())
                return bad;
            framedTo += reply.size();
        }
        const qsizetype held = fed - framedTo;
        if (framer.overflowed()) {
            if (held <= ReplyFramer::kMaxReplyBytes)
                return QStringLiteral("overflow reported while holding %1 bytes, within the cap").arg(held);
            // As the session does: the bytes held are dropped and the framer
            // starts again.
            framer.clear();
            framedTo = fed;
        } else if (held > ReplyFramer::kMaxReplyBytes) {
            return QStringLiteral("%1 bytes held, past the cap, without an overflow").arg(held);
        }
    }
    return badRemainder(QByteArrayView(stream).sliced(framedTo));
}

// --- Listing names ----------------------------------------------------------

// A name the retrieval loop may take stands for a file in the working folder
// and goes into an FTP command.
QString badPick(const QString& name)
{
    if (name.isEmpty() || isDotEntry(name))
        return QStringLiteral("picked an empty or dot name");
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return QStringLiteral("picked a name with a folder separator: %1").arg(name);
    if (std::any_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 32 || c.unicode() == 127; }))
        return QStringLiteral("picked a name with a control character (CR, LF, ...)");
    return {};
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

const QString kDownloadOutcomeLog = QStringLiteral("dl_file_size.log");

int outcomeLines()
{
    QFile log(kDownloadOutcomeLog);
    if (!log.open(QIODevice::ReadOnly))
        return 0;
    return int(log.readAll().count('\n'));
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
        if (isDotEntry(name))
            continue;
        if (isSafeLocalName(name))
            expected.append(name);
        else
            refused.insert(name);
    }

    Engine& p = listingEngine();
    QFile::remove(kDownloadOutcomeLog);
    p.transfer.downloadFailedNames.clear();
    p.fText5.setText(listing);
    p.session.downloadState = ProtocolState::Transfer;
    p.transfer.listingScanPosition = 1;
    QStringList picks;
    for (;;) {
        p.transfer.downloadVerifyGate = true;
        if (!nextNlstName(p))
            break;
        if (picks.size() == expected.size())
            return QStringLiteral("the NLST walk picks more names than the listing holds");
        picks.append(p.session.downloadCurrentFile);
        if (const QString bad = badPick(picks.last()); !bad.isEmpty())
            return QStringLiteral("NLST ") + bad;
    }
    const int refusalLines = outcomeLines();
    QFile::remove(kDownloadOutcomeLog);
    if (picks != expected)
        return QStringLiteral("the NLST walk picked %1 names, the listing holds %2").arg(picks.size()).arg(expected.size());
    if (refusalLines != refused.size())
        return QStringLiteral("%1 refused NLST names, %2 outcome lines").arg(refused.size()).arg(refusalLines);
    return {};
}

// Where a Unix long listing line's name starts: right after the blank that
// follows its time ("10:30") or year ("2020"); -1 when the line ends in no
// name in that form.
qsizetype unixNameStart(const QString& line, const QString& name)
{
    const qsizetype start = line.size() - name.size();
    if (!line.endsWith(name) || start < 6 || line.at(start - 1) != QLatin1Char(' '))
        return -1;
    const QString field = line.mid(start - 6, 5);
    const bool time = field.at(2) == QLatin1Char(':') && isDigit(field.at(3)) && isDigit(field.at(4));
    const bool year = std::all_of(field.begin() + 1, field.end(), isDigit);
    return time || year ? start : -1;
}

// The LIST names, line by line: a line in the Unix form gives one name, the
// whole rest of the line after its date; any other line gives the words that
// start four characters after each colon (the one of "hh:mm ").
QString checkListNames(const QString& listing)
{
    const QStringList names = collectListNames(listing);
    QStringList byLine;
    for (const QString& line : listing.split(QRegularExpression(QStringLiteral("[\r\n]+")), Qt::SkipEmptyParts)) {
        const QStringList lineNames = collectListNames(line);
        byLine << lineNames;
        if (lineNames.size() == 1 && unixNameStart(line, lineNames.first()) >= 0)
            continue;
        qsizetype from = 0;
        for (const QString& name : lineNames) {
            if (std::any_of(name.begin(), name.end(), [](QChar c) { return c.unicode() <= ' '; }))
                return QStringLiteral("a LIST name outside the Unix form holds a blank or a control character");
            const qsizetype colon = line.indexOf(QLatin1Char(':'), from);
            if (colon < 0 || line.mid(colon + 4, name.size()) != name)
                return QStringLiteral("a LIST name is not the text after a time");
            from = colon + 4 + name.size();
        }
    }
    if (names != byLine)
        return QStringLiteral("the LIST names of a listing are not those of its lines");
    for (const QString& name : names) {
        if (name.contains(QLatin1Char('\r')) || name.contains(QLatin1Char('\n')))
            return QStringLiteral("a LIST name runs past its line");
        if (!isSafeLocalName(name) || isDotEntry(name))
            continue;
        if (const QString bad = badPick(name); !bad.isEmpty())
            return QStringLiteral("LIST ") + bad;
    }
    return {};
}

// The tail is the longest end of the pattern without a character below "0".
QString checkPatternTail(const QString& pattern)
{
    const std::optional<QString> tail = patternTail(pattern);
    if (pattern.isEmpty())
        return tail ? QStringLiteral("an empty pattern has a tail") : QString();
    if (!tail || !pattern.endsWith(*tail))
        return QStringLiteral("a pattern's tail is not an end of it");
    if (std::any_of(tail->begin(), tail->end(), [](QChar c) { return c.unicode() < '0'; }))
        return QStringLiteral("a pattern's tail holds a character below \"0\"");
    if (tail->size() < pattern.size() && pattern.at(pattern.size() - tail->size() - 1).unicode() >= '0')
        return QStringLiteral("a pattern's tail stops short");
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
// an announcement "(N bytes)" or "(N byte)" that ends the reply, blanks,
// tabs and line ends after it aside: -1 when a period follows it or it passes 32 bits. A reply that
// ends otherwise announces nothing: -1, or -2 under "File Size Exists". -2
// never lets a file pass.
QString checkTransferSize(QByteArrayView input)
{
    const bool fileSizeExists = switchesOf(input) & 1;
    const QString reply = QString::fromLatin1(afterSwitches(input));
    const int size = parseTransferSize(reply, fileSizeExists);
    int expected = fileSizeExists ? -2 : -1;
    QString end = reply;
    while (!end.isEmpty() && QStringView(u" \t\r\n").contains(end.back()))
        end.chop(1);
    const bool period = end.endsWith(QLatin1Char('.'));
    if (period)
        end.chop(1);
    const qsizetype open = end.lastIndexOf(QLatin1Char('('));
    if (open >= 0 && end.endsWith(QLatin1Char(')'))) {
        QString inside = end.mid(open + 1, end.size() - open - 2);
        const bool words = inside.endsWith(QLatin1String(" bytes")) || inside.endsWith(QLatin1String(" byte"));
        inside.truncate(inside.lastIndexOf(QLatin1Char(' ')));
        if (words && !inside.isEmpty() && std::all_of(inside.begin(), inside.end(), isDigit)) {
            QStringView digits = inside;
            while (digits.size() > 1 && digits.startsWith(QLatin1Char('0')))
                digits = digits.sliced(1);
            const bool fits = digits.size() < 10 || (digits.size() == 10 && digits <= u"2147483647");
            expected = period || !fits ? -1 : digits.toInt();
        }
    }
    if (size != expected)
        return QStringLiteral("the reply announces %1, parsed as %2").arg(expected).arg(size);
    const qint64 received = afterSwitches(input).size();
    for (const bool ascii : { false, true }) {
        if (size == -2 && sizeFitsAnnounced(size, received, ascii))
            return QStringLiteral("a file passes against a size of -2");
        if (sizeAllowsDelete(size, received) && !sizeFitsAnnounced(size, received, ascii))
            return QStringLiteral("a file may be deleted that does not pass");
    }
    return {};
}

// --- Settings lines ---------------------------------------------------------

// What a text keeps through a save: the format has no escape, so a double
// quote, a line break or a character outside Latin-1 is left out.
QString savedText(const QString& text)
{
    QString kept;
    for (QChar c : text) {
        if (c.unicode() <= 255 && c != QLatin1Char('"') && c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            kept.append(c);
    }
    return kept;
}

// A site as a save and a load bring it back. The password comes back whole or
// not at all: whole when it is written and its scrambled form can be saved.
SiteRecord savedSite(const SiteRecord& r, bool recallPassword)
{
    QString password;
    if (recallPassword || r.user.toLower() == QLatin1String("anonymous")) {
        const std::optional<QString> scrambled = scramblePassword(r.password);
        if (scrambled && savedText(*scrambled) == *scrambled)
            password = r.password;
    }
    return { savedText(r.host),    savedText(r.user),       password,
             savedText(r.path),    savedText(r.port),       savedText(r.pattern),
             savedText(r.dupeFlag), savedText(r.activeFlag), savedText(r.hour),
             savedText(r.amPm) };
}

QList<QString> valuesOf(const SiteRecord& r)
{
    return { r.host, r.user, r.password, r.path, r.port, r.pattern, r.dupeFlag, r.activeFlag, r.hour, r.amPm };
}

QString checkSiteSaved(const SiteRecord& site, bool recallPassword)
{
    const QByteArray line = siteLine(site, recallPassword);
    const std::optional<SiteRecord> loaded = parseSiteLine(line);
    if (!loaded)
        return QStringLiteral("a saved site line does not load: ") + QString::fromLatin1(line);
    const QList<QString> got = valuesOf(*loaded);
    const QList<QString> want = valuesOf(savedSite(site, recallPassword));
    for (qsizetype i = 0; i < want.size(); ++i) {
        if (got.at(i) != want.at(i))
            return QStringLiteral("field %1 of a site changes through a save and a load").arg(i + 1);
    }
    return {};
}

QString checkWorkPathSaved(const QString& folder)
{
    const std::optional<QString> loaded = parseWorkPathLine(workPathLine(folder));
    if (!loaded)
        return QStringLiteral("a saved working folder does not load");
    QString expected = folder;
    expected.remove(QLatin1Char('"')).remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
    if (*loaded != expected)
        return QStringLiteral("a working folder changes through a save and a load");
    return {};
}

// A stored password is Latin-1, as the settings file is.
QString checkPasswordScrambling(const QString& text)
{
    const bool storable = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 255; });
    if (const auto plain = unscramblePassword(text); storable && plain && scramblePassword(*plain) != text)
        return QStringLiteral("scrambling an unscrambled password does not give it back");
    if (const auto stored = scramblePassword(text); stored && unscramblePassword(*stored) != text)
        return QStringLiteral("unscrambling a scrambled password does not give it back");
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
