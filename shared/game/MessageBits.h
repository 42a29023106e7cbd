#pragma once
// Reads the game's network messages the way its engine writes them: values of 1 to 32
// bits, the odd bits of a value first as they are, then each whole byte of it in the
// game's fixed Huffman code (newer protocols) or as plain bits (the oldest protocols).
// Reading past the end, or meeting a code the fixed tree does not hold, makes the reader
// fail; every later read then gives 0 (-1 for readByte) and failed() stays true.
#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>

namespace fragdeck
{

class MessageBits
{
public:
    MessageBits(QByteArrayView data, bool huffman);

    // bits 1..32; a negative count reads a signed value of -bits bits.
    int32_t readBits(int bits);
    int readByte();  // 0..255, or -1 once the reader has failed
    int readShort(); // signed 16 bits
    int32_t readLong();
    // The bytes up to the terminating 0, which is consumed; only the first maxLength
    // are kept.
    QByteArray readString(int maxLength);

    bool failed() const { return m_failed; }
    qint64 bitPosition() const { return m_bit; }

private:
    int readRawBit();
    int readCodedByte();
    void fail();

    QByteArrayView m_data;
    qint64 m_bit = 0;
    qint64 m_endBit = 0;
    bool m_huffman;
    bool m_failed = false;
};

// The fixed code of one byte value: `length` bits, the first one sent in bit 0 of `bits`.
struct HuffmanCode {
    uint32_t bits = 0;
    int length = 0;
};
HuffmanCode huffmanCodeOf(int byteValue);

} // namespace fragdeck
