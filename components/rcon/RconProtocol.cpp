#include "RconProtocol.h"

#include "core/TextFile.h"

#include <utility>

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

QByteArray rconReplyText(const QByteArray& datagram)
{
    static const QByteArray header = QByteArray(4, '\xff') + "print\n";
    if (datagram.startsWith(header))
        return datagram.mid(header.size());
    qsizetype start = 0;
    while (start < datagram.size() && datagram[start] == '\xff')
        ++start;
    return datagram.mid(start);
}

RconReplyJoiner::RconReplyJoiner(QObject* parent) : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(QuietMs);
    // Coarse timers may fire early, and an early end would cut a reply in two.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &RconReplyJoiner::finish);
}

void RconReplyJoiner::add(const QByteArray& text)
{
    m_text += text;
    m_joining = true;
    m_timer.start();
}

void RconReplyJoiner::finish()
{
    m_timer.stop();
    if (!m_joining)
        return;
    m_joining = false;
    const QByteArray text = std::exchange(m_text, QByteArray());
    Q_EMIT replyComplete(text);
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
