#include "RconProtocol.h"

#include "TextFile.h"

namespace fragdeck
{

QByteArray rconDatagram(const QString& password, const QString& command)
{
    return QByteArray(4, '\xff') +
           toLatin1Bytes(QStringLiteral("rcon ") + password + u' ' + command);
}

QString kickCommand(const QString& playerName)
{
    if (playerName.contains(u' '))
        return QStringLiteral("kick \"") + playerName + u'"';
    return QStringLiteral("kick ") + playerName;
}

RconReplyKind classifyRconReply(const QByteArray& datagram)
{
    if (datagram.isEmpty())
        return RconReplyKind::Empty;
    if (datagram.contains("Bad rcon_password") || datagram.contains("Bad rconpassword"))
        return RconReplyKind::BadPassword;
    return RconReplyKind::Text;
}

std::optional<quint16> parseServerPort(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    for (const QChar c : t)
        if (c < u'0' || c > u'9')
            return std::nullopt;
    bool ok = false;
    const qlonglong port = t.toLongLong(&ok);
    if (!ok || port < 1 || port > 65535)
        return std::nullopt;
    return quint16(port);
}

} // namespace fragdeck
