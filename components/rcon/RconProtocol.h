#pragma once
// Remote console datagrams: what is sent, and what a reply means. Pure, no sockets.
#include <QByteArray>
#include <QString>
#include <optional>

namespace fragdeck
{

// FF FF FF FF "rcon " password " " command, single-byte text, no line end.
QByteArray rconDatagram(const QString& password, const QString& command);

// The command that kicks a player by the name as listed. The server splits its command
// line at blanks, so a name holding one is sent in double quotes.
QString kickCommand(const QString& playerName);

enum class RconReplyKind { Text, BadPassword, Empty };
// Servers answer a wrong password with "Bad rcon_password" (older) or "Bad rconpassword."
// (current), anywhere in the datagram.
RconReplyKind classifyRconReply(const QByteArray& datagram);

// A server port as typed: digits only (blanks around them allowed), 1 to 65535.
std::optional<quint16> parseServerPort(const QString& text);

} // namespace fragdeck
