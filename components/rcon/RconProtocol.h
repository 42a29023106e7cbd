#pragma once
// Remote console datagrams: what is sent, and what a reply means. Pure, no sockets.
#include "game/ServerAddress.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <optional>

namespace fragdeck
{

// The port a game server listens on unless told otherwise.
constexpr quint16 DefaultServerPort = kDefaultGamePort;

// FF FF FF FF "rcon " password " " command, single-byte text, no line end.
QByteArray rconDatagram(const QString& password, const QString& command);

// The command that kicks a player by the name as listed. The server splits its command
// line at blanks, so a name holding one is sent in double quotes.
QString kickCommand(const QString& playerName);

enum class RconReplyKind { Text, BadPassword, Empty };
// Servers answer a wrong password with "Bad rcon_password" (older) or "Bad rconpassword."
// (current), anywhere in the datagram.
RconReplyKind classifyRconReply(const QByteArray& datagram);

// The text a console reply prints: the datagram without its FF FF FF FF "print" header
// line. A datagram without that header loses only its leading FF bytes.
QByteArray rconReplyText(const QByteArray& datagram);

// Joins the datagrams of one console reply as the game's own console does. A long reply
// (cvarlist, serverinfo) comes in datagrams of about 1 KB, cut anywhere, even mid-line;
// the text of consecutive replies is concatenated until QuietMs pass without one, and
// then handed on whole.
class RconReplyJoiner : public QObject
{
    Q_OBJECT
public:
    static constexpr int QuietMs = 300;
    explicit RconReplyJoiner(QObject* parent = nullptr);

    // Adds the printed text of one datagram and waits QuietMs afresh.
    void add(const QByteArray& text);
    // Whether a reply is being joined.
    bool joining() const { return m_joining; }
    // Ends the reply being joined now: what the end of the quiet period does.
    void finish();
    // The quiet period's timer (single shot, restarted by every add).
    const QTimer& quietTimer() const { return m_timer; }

Q_SIGNALS:
    void replyComplete(const QByteArray& text);

private:
    QTimer m_timer;
    QByteArray m_text;
    bool m_joining = false;
};

// A server port as typed: digits only (blanks around them allowed), 1 to 65535.
std::optional<quint16> parseServerPort(const QString& text);

} // namespace fragdeck
