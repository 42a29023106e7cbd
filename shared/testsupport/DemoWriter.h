#pragma once
// Writes demo files for tests the way the engine records them: messages of bits, whole
// bytes in the game's fixed Huffman code (or plain bits for the oldest kinds).
#include "game/MessageBits.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPair>
#include <QtEndian>
#include <cstdint>

namespace fragdeck::test
{

class MessageWriter
{
public:
    explicit MessageWriter(bool huffman = true) : m_huffman(huffman) {}

    void bits(uint32_t value, int count)
    {
        const int odd = count & 7;
        for (int i = 0; i < odd; ++i)
            put((value >> i) & 1);
        value = odd ? value >> odd : value;
        for (int i = odd; i < count; i += 8) {
            const int byte = int(value & 0xff);
            value >>= 8;
            if (!m_huffman) {
                for (int b = 0; b < 8; ++b)
                    put((byte >> b) & 1);
                continue;
            }
            const HuffmanCode code = huffmanCodeOf(byte);
            for (int b = 0; b < code.length; ++b)
                put((code.bits >> b) & 1);
        }
    }
    void byte(int v) { bits(uint32_t(v) & 0xff, 8); }
    void shortValue(int v) { bits(uint32_t(v) & 0xffff, 16); }
    void longValue(int32_t v) { bits(uint32_t(v), 32); }
    void string(const QByteArray& s)
    {
        for (char c : s)
            byte(uchar(c));
        byte(0);
    }
    QByteArray bytes() const { return m_bytes; }

private:
    void put(uint32_t bit)
    {
        if ((m_bit & 7) == 0)
            m_bytes.append('\0');
        if (bit)
            m_bytes[m_bit >> 3] = char(uchar(m_bytes[m_bit >> 3]) | (1u << (m_bit & 7)));
        ++m_bit;
    }

    bool m_huffman;
    QByteArray m_bytes;
    qint64 m_bit = 0;
};

// Operation numbers of the server-to-client messages.
enum DemoOp {
    OpNop = 1,
    OpGameState,
    OpConfigString,
    OpBaseline,
    OpCommand,
    OpDownload,
    OpSnapshot,
    OpEnd
};

struct DemoCommand {
    int sequence = 0;
    QByteArray text;
};

class DemoWriter
{
public:
    explicit DemoWriter(bool huffman = true) : m_huffman(huffman) {}

    // The first message: every configuration string, one entity baseline (unless
    // `entity` is false), the recorder.
    void gameState(const QMap<int, QByteArray>& configStrings, int clientNum,
                   int commandSequence = 0, bool entity = true)
    {
        MessageWriter m(m_huffman);
        m.longValue(0);
        m.byte(OpGameState);
        m.longValue(commandSequence);
        for (auto it = configStrings.cbegin(); it != configStrings.cend(); ++it) {
            m.byte(OpConfigString);
            m.shortValue(it.key());
            m.string(it.value());
        }
        if (!entity) {
            m.byte(OpEnd);
            m.longValue(clientNum);
            m.longValue(0x12345678);
        } else if (m_huffman) {
            m.byte(OpBaseline);
            m.bits(5, 10); // entity number
            m.bits(0, 1);  // not removed
            m.bits(1, 1);  // a delta follows
            m.byte(12);    // fields sent
            m.bits(1, 1);  // time: changed,
            m.bits(1, 1);  // not zero,
            m.bits(123456, 32);
            m.bits(1, 1); // a float: changed, not zero, a small integer
            m.bits(1, 1);
            m.bits(0, 1);
            m.bits(4096 + 64, 13);
            m.bits(1, 1); // a float: changed, not zero, in full
            m.bits(1, 1);
            m.bits(1, 1);
            m.bits(0x42c80000, 32);
            for (int field = 3; field < 9; ++field)
                m.bits(0, 1);
            m.bits(1, 1); // event: changed to zero
            m.bits(0, 1);
            m.bits(0, 1);
            m.bits(1, 1); // eType: changed, not zero
            m.bits(1, 1);
            m.bits(2, 8);
            m.byte(OpEnd);
            m.longValue(clientNum);
            m.longValue(0x12345678); // checksum feed
        } else {
            m.byte(OpBaseline);
            m.bits(5, 10); // the oldest kinds: reading stops at the first entity
            m.bits(0x2a, 7);
        }
        m.byte(OpEnd);
        append(m.bytes());
    }

    // A later message: server commands, then a snapshot at `serverTime` (none when < 0).
    void message(const QList<DemoCommand>& commands, int serverTime)
    {
        MessageWriter m(m_huffman);
        m.longValue(0);
        for (const DemoCommand& c : commands) {
            m.byte(OpCommand);
            m.longValue(c.sequence);
            m.string(c.text);
        }
        if (serverTime >= 0) {
            m.byte(OpSnapshot);
            m.longValue(serverTime);
            m.byte(0); // delta
            m.byte(0); // flags
            m.byte(4); // area mask bytes
            m.longValue(-1);
            m.byte(0); // player state fields (not read)
        }
        m.byte(OpEnd);
        append(m.bytes());
    }

    void raw(const QByteArray& body) { append(body); }
    void endMarker()
    {
        appendInt(-1);
        appendInt(-1);
    }
    QByteArray bytes() const { return m_file; }

private:
    void appendInt(int32_t v)
    {
        char b[4];
        qToLittleEndian(v, b);
        m_file.append(b, 4);
    }
    void append(const QByteArray& body)
    {
        appendInt(m_sequence++);
        appendInt(int32_t(body.size()));
        m_file += body;
    }

    bool m_huffman;
    int m_sequence = 100;
    QByteArray m_file;
};

struct DemoPlayerSpec {
    QByteArray name;
    int team = 0;
};

inline QByteArray playerString(const DemoPlayerSpec& p)
{
    return "n\\" + p.name + "\\t\\" + QByteArray::number(p.team) +
           "\\model\\sarge\\hmodel\\sarge\\c1\\4\\c2\\5\\hc\\100\\w\\0\\l\\0";
}

inline QMap<int, QByteArray> standardStrings(const QByteArray& map, const QByteArray& server,
                                             int gameType, int protocol,
                                             const QList<DemoPlayerSpec>& players)
{
    QMap<int, QByteArray> cs;
    cs.insert(0, "\\sv_hostname\\" + server + "\\mapname\\" + map + "\\g_gametype\\" +
                     QByteArray::number(gameType) + "\\protocol\\" + QByteArray::number(protocol) +
                     "\\sv_maxclients\\16");
    cs.insert(1, "\\sv_serverid\\12345\\sv_pure\\1");
    for (int i = 0; i < players.size(); ++i)
        cs.insert(544 + i, playerString(players[i]));
    return cs;
}

// A small complete demo: a game state, three snapshots from 10000 to 10000 + lengthMs.
inline QByteArray simpleDemo(const QByteArray& map, const QByteArray& server,
                             const QList<DemoPlayerSpec>& players, int lengthMs = 65000,
                             int gameType = 0, bool huffman = true, int protocol = 68)
{
    DemoWriter w(huffman);
    w.gameState(standardStrings(map, server, gameType, protocol, players), 0, 3);
    w.message({}, 10000);
    w.message({{4, "print \"hello\\n\""}}, 10000 + lengthMs / 2);
    w.message({}, 10000 + lengthMs);
    w.endMarker();
    return w.bytes();
}

} // namespace fragdeck::test
