#pragma once
// A bounds-checked view of one reply, addressed as the cutting rules address it:
// positions are 1-based and a search that finds nothing yields 0. Nothing here can read
// outside the reply, whatever positions a caller passes.
#include <QByteArray>
#include <QByteArrayView>

namespace fragdeck::query
{

class ReplyReader
{
public:
    explicit ReplyReader(QByteArrayView text) : m_text(text) {}

    int size() const { return int(m_text.size()); }
    // The byte at `pos`, or 0 outside the text.
    char at(int pos) const;
    // The first `c` that starts at `from` or later (a `from` below 1 searches from 1).
    int findAt(char c, int from) const;
    // The first `c` after `p`, i.e. starting at p + 1 or later.
    int findAfter(char c, int p) const { return findAt(c, p + 1); }
    // The first occurrence of `needle` at `from` or later.
    int findText(QByteArrayView needle, int from = 1) const;
    bool contains(char c) const { return findAt(c, 1) != 0; }
    // Where the line holding `from` ends: its LF, or one past the last byte.
    int lineEnd(int from) const;
    // Characters `first` to `last` inclusive, clipped to the text; empty when last < first.
    QByteArray cut(int first, int last) const;

private:
    QByteArrayView m_text;
};

} // namespace fragdeck::query
