#include "MasterProtocol.h"

namespace fragdeck::servers
{
namespace
{

const QByteArray kPrefix("\xff\xff\xff\xff", 4);
const QByteArray kResponse("getserversResponse");
const QByteArray kExtResponse("getserversExtResponse");

quint16 portAt(const uchar* p)
{
    return quint16((p[0] << 8) | p[1]);
}

} // namespace

QByteArray masterRequest(int protocol, bool overIPv6, AddressFamilies families)
{
    if (!overIPv6)
        return kPrefix + "getservers " + QByteArray::number(protocol) + " empty full";
    QByteArray r =
        kPrefix + "getserversExt Quake3Arena " + QByteArray::number(protocol) + " empty full";
    if (families == AddressFamilies::IPv4Only)
        r += " ipv4";
    else if (families == AddressFamilies::IPv6Only)
        r += " ipv6";
    return r;
}

MasterReply parseMasterReply(const QByteArray& datagram)
{
    MasterReply r;
    if (!datagram.startsWith(kPrefix))
        return r;
    qsizetype pos = kPrefix.size();
    // The longer name first: "getserversExtResponse" does not start with the short one,
    // but check it first anyway so the order can never matter.
    if (datagram.mid(pos, kExtResponse.size()) == kExtResponse) {
        r.extended = true;
        pos += kExtResponse.size();
    } else if (datagram.mid(pos, kResponse.size()) == kResponse) {
        pos += kResponse.size();
    } else {
        return r;
    }
    r.valid = true;
    const auto* data = reinterpret_cast<const uchar*>(datagram.constData());
    const qsizetype end = datagram.size();
    // Some masters put a line end or other text after the command; the records start at
    // the first separator.
    while (pos < end && data[pos] != '\\' && !(r.extended && data[pos] == '/'))
        ++pos;
    while (pos < end) {
        const uchar sep = data[pos];
        const qsizetype left = end - pos - 1;
        if (sep == '\\' && left >= 6) {
            const uchar* rec = data + pos + 1;
            const quint16 port = portAt(rec + 4);
            if (rec[0] == 'E' && rec[1] == 'O' && rec[2] == 'T' && rec[3] == 0 && port == 0) {
                r.endOfList = true;
                pos += 7;
                break;
            }
            const quint32 ip = (quint32(rec[0]) << 24) | (quint32(rec[1]) << 16) |
                               (quint32(rec[2]) << 8) | quint32(rec[3]);
            if (ip != 0 && port != 0)
                r.servers.append({QHostAddress(ip), port});
            pos += 7;
        } else if (sep == '/' && r.extended && left >= 18) {
            const uchar* rec = data + pos + 1;
            const quint16 port = portAt(rec + 16);
            Q_IPV6ADDR a;
            bool zero = true;
            for (int i = 0; i < 16; ++i) {
                a[i] = rec[i];
                zero = zero && rec[i] == 0;
            }
            if (!zero && port != 0)
                r.servers.append(ServerAddress{QHostAddress(a), port}.normalised());
            pos += 19;
        } else {
            // A bare "\EOT" with its padding cut off still ends the list.
            if (sep == '\\' && left >= 3 && data[pos + 1] == 'E' && data[pos + 2] == 'O' &&
                data[pos + 3] == 'T' && (left == 3 || data[pos + 4] == 0)) {
                r.endOfList = true;
                pos = end;
            }
            break; // a short record or a byte that starts no record
        }
    }
    r.truncated = pos < end && !r.endOfList;
    return r;
}

} // namespace fragdeck::servers
