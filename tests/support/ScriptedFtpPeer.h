#pragma once

#include <QByteArray>
#include <QHash>
#include <QMap>
#include <QObject>
#include <QStringList>
#include <QTcpServer>

#include <functional>
#include <memory>
#include <vector>

class QTcpSocket;

// One step of the scripted peer's answer to a command: a reply, written as a
// string of lines separated by "\n" (each goes out with CR LF; a line that is
// a bare code, "150", takes the peer's own text for it), or an act.
struct PeerStep {
    enum Act { Reply, Raw, Delay, Open, Send, Close, Reset, Take, Hush, HangUp };
    Act act;
    QByteArray bytes = {};
    // The milliseconds of a delay; for the other acts, 1 asks for their lesser form.
    int n = 0;

    PeerStep(Act act, const QByteArray& bytes = {}, int n = 0) : act(act), bytes(bytes), n(n) {}
    PeerStep(const char* lines) : act(Reply), bytes(lines) {}
};
using PeerScript = QList<PeerStep>;

// The acts by name, so that a script reads as what the server does.
namespace PeerSteps {
// Connects to the address of the last PORT; where nothing listens, "425"
// ends the answer.
inline const PeerStep openData { PeerStep::Open };
// What is left of the file or listing, or up to its first half.
inline const PeerStep sendData { PeerStep::Send };
inline const PeerStep sendHalf { PeerStep::Send, {}, 1 };
// Closes the data connection and waits until it is closed, or ends the peer's
// side only (FIN): the connection lingers until the client closes its end.
inline const PeerStep closeData { PeerStep::Close };
inline const PeerStep endSending { PeerStep::Close, {}, 1 };
// SO_LINGER 0 and close: the client sees RST, not an end of file.
inline const PeerStep resetData { PeerStep::Reset };
// Reads the data connection until the client closes it, or until the first
// bytes are in; what STOR reads is stored under its name.
inline const PeerStep takeData { PeerStep::Take };
inline const PeerStep takeSome { PeerStep::Take, {}, 1 };
// This command and every later one on the connection go unanswered.
inline const PeerStep hush { PeerStep::Hush };
// Both connections close, as when a server dies.
inline const PeerStep hangUp { PeerStep::HangUp };
inline PeerStep raw(const QByteArray& bytes) { return { PeerStep::Raw, bytes }; }
inline PeerStep delay(int ms) { return { PeerStep::Delay, {}, ms }; }
}

// A scripted FTP server on 127.0.0.1 for the protocol's corner cases. It runs
// on the test's own thread: the program and the peer take turns in one event
// loop, so every wait of a test must process events.
//
// Each connection answers its commands in turn, each with a script: the one
// under "RETR#2" for the second RETR the peer hears (over all connections),
// else the one under "RETR" for every RETR, else the peer's own. Its own serve
// a flat folder whose files are the file map: NLST and LIST list them all,
// RETR sends one ("150", data, "226"), STOR stores one, DELE removes one, and
// any other command the program sends succeeds. Pauses are real milliseconds.
class ScriptedFtpPeer : public QObject {
    Q_OBJECT
public:
    ScriptedFtpPeer();
    ~ScriptedFtpPeer() override;

    QString host() const { return QStringLiteral("127.0.0.1"); }
    quint16 port() const { return server->serverPort(); }
    int connectionCount() const { return int(sessions.size()); }

    QMap<QByteArray, QByteArray> files;
    QHash<QByteArray, PeerScript> scripts;
    // Every command line heard on any connection, in order, without CR LF.
    QStringList transcript;

    // Runs the script on the newest connection once the answers under way are out.
    void say(const PeerScript& script);
    void stopAnsweringAt(const QByteArray& verb) { scripts[verb] = { PeerSteps::hush }; }

signals:
    void commandReceived(const QString& line);

private:
    struct Session;
    struct Answer;

    void accept();
    void read(Session& s);
    void goOn(Session& s);
    void poke(Session& s);
    std::function<bool()> perform(Session& s, const Answer& a, const PeerStep& step);
    PeerScript scriptFor(const QByteArray& verb, const QByteArray& argument);
    QByteArray contentFor(const Answer& a) const;
    QByteArray replyLines(const Answer& a, const QByteArray& lines) const;

    QTcpServer* server;
    std::vector<std::unique_ptr<Session>> sessions;
    QHash<QByteArray, int> heard;
};
