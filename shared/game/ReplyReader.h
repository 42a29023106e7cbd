#pragma once
// A bounds-checked view of one reply, read in either of two ways: by position, as the
// query engine's cutting rules address it (1-based, a search that finds nothing yields 0),
// or front to back with a cursor that takes one line or field at a time. Nothing here can
// read outside the reply, whatever positions a caller passes.
#include <QByteArray>
#include <QByteArrayView>

namespace fragdeck
{

class ReplyReader
{
public:
    explicit ReplyReader(QByteArrayView text) : m_text(text) {}
    // The first `maxBytes` bytes of `text` only; clipped() tells whether there were more.
    ReplyReader(QByteArrayView text, qsizetype maxBytes);

    bool clipped() const { return m_clipped; }
    QByteArrayView text() const { return m_text; }

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

    // The cursor: it starts at the first byte.
    bool atEnd() const { return m_next >= m_text.size(); }
    // What the cursor has not taken yet.
    QByteArrayView rest() const { return m_text.sliced(m_next); }
    // The bytes up to the next `separator` (all the rest when there is none); the cursor
    // moves past the separator. Empty at the end.
    QByteArrayView take(char separator);
    QByteArrayView takeLine() { return take('\n'); }
    // Moves past one `c` when the cursor is on one.
    bool skip(char c);

private:
    QByteArrayView m_text;
    qsizetype m_next = 0;
    bool m_clipped = false;
};

} // namespace fragdeck
