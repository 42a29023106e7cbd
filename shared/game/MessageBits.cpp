#include "MessageBits.h"

#include <array>
#include <vector>

namespace fragdeck
{
namespace
{

// How often each byte value came up in the game traffic the code was made from: the
// engine builds its code from this table at start-up, so every demo depends on it.
constexpr int kByteFrequency[256] = {
    250315, 41193, 6292,  7106,  3730,  3750, 6110,  23283, 33317, 6950, 7838, 9714, 9257, 17259,
    3949,   1778,  8288,  1604,  1590,  1663, 1100,  1213,  1238,  1134, 1749, 1059, 1246, 1149,
    1273,   4486,  2805,  3472,  21819, 1159, 1670,  1066,  1043,  1012, 1053, 1070, 1726, 888,
    1180,   850,   960,   780,   1752,  3296, 10630, 4514,  5881,  2685, 4650, 3837, 2093, 1867,
    2584,   1949,  1972,  940,   1134,  1788, 1670,  1206,  5719,  6128, 7222, 6654, 3710, 3795,
    1492,   1524,  2215,  1140,  1355,  971,  2180,  1248,  1328,  1195, 1770, 1078, 1264, 1266,
    1168,   965,   1155,  1186,  1347,  1228, 1529,  1600,  2617,  2048, 2546, 3275, 2410, 3585,
    2504,   2800,  2675,  6146,  3663,  2840, 14253, 3164,  2221,  1687, 3208, 2739, 3512, 4796,
    4091,   3515,  5288,  4016,  7937,  6031, 5360,  3924,  4892,  3743, 4566, 4807, 5852, 6400,
    6225,   8291,  23243, 7838,  7073,  8935, 5437,  4483,  3641,  5256, 5312, 5328, 5370, 3492,
    2458,   1694,  1821,  2121,  1916,  1149, 1516,  1367,  1236,  1029, 1258, 1104, 1245, 1006,
    1149,   1025,  1241,  952,   1287,  997,  1713,  1009,  1187,  879,  1099, 929,  1078, 951,
    1656,   930,   1153,  1030,  1262,  1062, 1214,  1060,  1621,  930,  1106, 912,  1034, 892,
    1158,   990,   1175,  850,   1121,  903,  1087,  920,   1144,  1056, 3462, 2240, 4397, 12136,
    7758,   1345,  1307,  3278,  1950,  886,  1023,  1112,  1077,  1042, 1061, 1071, 1484, 1001,
    1096,   915,   1052,  995,   1070,  876,  1111,  851,   1059,  805,  1112, 923,  1103, 817,
    1899,   1872,  976,   841,   1127,  956,  1159,  950,   7791,  954,  1289, 933,  1127, 3207,
    1020,   927,   1355,  768,   1040,  745,  952,   805,   1073,  740,  1013, 805,  1008, 796,
    996,    1057,  11457, 13504,
};

constexpr int kNotYetSent = 256; // the leaf of byte values never added
constexpr int kInner = 257;
constexpr int kMaxNodes = 2 * 257;

// The decoder tree as the engine grows it: every byte value is added one at a time, as
// often as the table says, to an adaptive Huffman tree. Nodes are ranked by weight; a
// node about to gain weight first trades places with the highest-ranked node of the same
// weight. The engine's quirks shape the code and are kept: a node that trades with its
// own parent changes rank only, and two siblings that trade keep their places in the tree.
class GrowingTree
{
public:
    GrowingTree()
    {
        m_leafOf.fill(-1);
        m_root = newNode(kNotYetSent, 0);
        m_leafOf[kNotYetSent] = m_root;
        m_order.push_back(m_root);
        m_rank[size_t(m_root)] = 0;
    }

    void add(int symbol)
    {
        if (m_leafOf[size_t(symbol)] >= 0) {
            increment(m_leafOf[size_t(symbol)]);
            return;
        }
        // The not-yet-sent leaf becomes an inner node's left child, the new leaf its right
        // one; both rank just above it.
        const int nyt = m_leafOf[kNotYetSent];
        const int inner = newNode(kInner, 1);
        const int leaf = newNode(symbol, 1);
        m_order.insert(m_order.begin() + 1, {leaf, inner});
        for (size_t r = 1; r < m_order.size(); ++r)
            m_rank[size_t(m_order[r])] = int(r);
        const int above = at(nyt).parent;
        replaceChild(above, nyt, inner);
        at(inner).parent = above;
        at(inner).left = nyt;
        at(inner).right = leaf;
        at(nyt).parent = inner;
        at(leaf).parent = inner;
        m_leafOf[size_t(symbol)] = leaf;
        increment(above);
    }

    struct Node {
        int parent = -1;
        int left = -1;
        int right = -1;
        int weight = 0;
        int symbol = kInner;
    };
    const Node& node(int i) const { return m_nodes[size_t(i)]; }
    int root() const { return m_root; }
    int leafOf(int symbol) const { return m_leafOf[size_t(symbol)]; }

private:
    Node& at(int i) { return m_nodes[size_t(i)]; }

    int newNode(int symbol, int weight)
    {
        Node& n = m_nodes[size_t(m_count)];
        n.symbol = symbol;
        n.weight = weight;
        return m_count++;
    }

    void replaceChild(int parent, int from, int to)
    {
        if (parent < 0)
            m_root = to;
        else if (at(parent).left == from)
            at(parent).left = to;
        else
            at(parent).right = to;
    }

    // Done one parent after the other, as the engine does: for two siblings the second
    // step undoes the first.
    void swapInTree(int a, int b)
    {
        const int pa = at(a).parent;
        const int pb = at(b).parent;
        replaceChild(pa, a, b);
        replaceChild(pb, b, a);
        at(a).parent = pb;
        at(b).parent = pa;
    }

    void swapRanks(int a, int b)
    {
        std::swap(m_order[size_t(m_rank[size_t(a)])], m_order[size_t(m_rank[size_t(b)])]);
        std::swap(m_rank[size_t(a)], m_rank[size_t(b)]);
    }

    void increment(int n)
    {
        if (n < 0)
            return;
        const int weight = at(n).weight;
        size_t top = size_t(m_rank[size_t(n)]);
        while (top + 1 < m_order.size() && at(m_order[top + 1]).weight == weight)
            ++top;
        const int leader = m_order[top];
        if (leader != n) {
            if (leader != at(n).parent)
                swapInTree(leader, n);
            swapRanks(leader, n);
        }
        ++at(n).weight;
        const int parent = at(n).parent;
        if (parent < 0)
            return;
        increment(parent);
        // A parent that ends up ranked just below its child moves back above it.
        if (m_rank[size_t(parent)] + 1 == m_rank[size_t(n)])
            swapRanks(n, parent);
    }

    std::array<Node, kMaxNodes> m_nodes{};
    std::array<int, kMaxNodes> m_rank{};
    std::array<int, 257> m_leafOf{};
    std::vector<int> m_order; // rank 0 (lowest) first
    int m_count = 0;
    int m_root = -1;
};

// The finished code: each symbol's bits, and a table that decodes any symbol from the
// next `maxLength` bits of a message.
struct FixedCode {
    std::array<HuffmanCode, 257> codes{};
    int maxLength = 0;
    std::vector<uint16_t> table; // symbol | length << 9, indexed by the next maxLength bits

    FixedCode()
    {
        GrowingTree tree;
        for (int value = 0; value < 256; ++value)
            for (int i = 0; i < kByteFrequency[value]; ++i)
                tree.add(value);
        for (int symbol = 0; symbol <= kNotYetSent; ++symbol) {
            int n = tree.leafOf(symbol);
            if (n < 0)
                continue;
            HuffmanCode code;
            for (int parent = tree.node(n).parent; parent >= 0;
                 n = parent, parent = tree.node(n).parent) {
                code.bits = (code.bits << 1) | (tree.node(parent).right == n ? 1u : 0u);
                ++code.length;
            }
            codes[size_t(symbol)] = code;
            maxLength = std::max(maxLength, code.length);
        }
        table.assign(size_t(1) << maxLength, 0);
        for (int symbol = 0; symbol <= kNotYetSent; ++symbol) {
            const HuffmanCode& c = codes[size_t(symbol)];
            if (c.length == 0)
                continue;
            const uint16_t entry = uint16_t(symbol | (c.length << 9));
            for (uint32_t rest = 0; rest < (1u << (maxLength - c.length)); ++rest)
                table[c.bits | (rest << c.length)] = entry;
        }
    }
};

const FixedCode& fixedCode()
{
    static const FixedCode code;
    return code;
}

} // namespace

HuffmanCode huffmanCodeOf(int byteValue)
{
    if (byteValue < 0 || byteValue > 255)
        return {};
    return fixedCode().codes[size_t(byteValue)];
}

MessageBits::MessageBits(QByteArrayView data, bool huffman)
    : m_data(data), m_endBit(qint64(data.size()) * 8), m_huffman(huffman)
{
    if (huffman)
        fixedCode(); // built once, before the first read
}

void MessageBits::fail()
{
    m_failed = true;
    m_bit = m_endBit;
}

int MessageBits::readRawBit()
{
    if (m_failed || m_bit >= m_endBit) {
        fail();
        return 0;
    }
    const int bit = (uchar(m_data[m_bit >> 3]) >> (m_bit & 7)) & 1;
    ++m_bit;
    return bit;
}

int MessageBits::readCodedByte()
{
    if (!m_huffman) {
        int value = 0;
        for (int i = 0; i < 8; ++i)
            value |= readRawBit() << i;
        return value;
    }
    if (m_failed || m_bit >= m_endBit) {
        fail();
        return 0;
    }
    const FixedCode& code = fixedCode();
    // The next bits, zero past the end: a code that needs them fails below.
    uint32_t window = 0;
    const qint64 first = m_bit >> 3;
    for (int i = 0; i < 4 && first + i < m_data.size(); ++i)
        window |= uint32_t(uchar(m_data[first + i])) << (8 * i);
    window >>= (m_bit & 7);
    const uint16_t entry = code.table[window & ((1u << code.maxLength) - 1)];
    const int symbol = entry & 0x1ff;
    const int length = entry >> 9;
    if (symbol == kNotYetSent || m_bit + length > m_endBit) {
        fail();
        return 0;
    }
    m_bit += length;
    return symbol;
}

int32_t MessageBits::readBits(int bits)
{
    const bool isSigned = bits < 0;
    if (isSigned)
        bits = -bits;
    if (bits < 1 || bits > 32 || m_failed) {
        fail();
        return 0;
    }
    uint32_t value = 0;
    const int odd = bits & 7;
    for (int i = 0; i < odd; ++i)
        value |= uint32_t(readRawBit()) << i;
    for (int i = odd; i < bits; i += 8)
        value |= uint32_t(readCodedByte()) << i;
    if (m_failed)
        return 0;
    if (isSigned && bits < 32 && (value & (1u << (bits - 1))))
        value |= ~((1u << bits) - 1);
    return int32_t(value);
}

int MessageBits::readByte()
{
    const int value = readBits(8);
    return m_failed ? -1 : value;
}

int MessageBits::readShort()
{
    return readBits(-16);
}

int32_t MessageBits::readLong()
{
    return readBits(32);
}

QByteArray MessageBits::readString(int maxLength)
{
    QByteArray out;
    for (;;) {
        const int c = readByte();
        if (c <= 0)
            break;
        if (out.size() < maxLength)
            out.append(char(c));
    }
    return out;
}

} // namespace fragdeck
