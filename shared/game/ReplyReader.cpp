#include "ReplyReader.h"

#include <algorithm>

namespace fragdeck
{

ReplyReader::ReplyReader(QByteArrayView text, qsizetype maxBytes)
    : m_text(text.first(std::clamp<qsizetype>(maxBytes, 0, text.size()))),
      m_clipped(text.size() > m_text.size())
{
}

QByteArrayView ReplyReader::take(char separator)
{
    const qsizetype from = std::min(m_next, m_text.size());
    qsizetype end = m_text.indexOf(separator, from);
    if (end < 0)
        end = m_text.size();
    m_next = std::min(end + 1, m_text.size());
    return m_text.sliced(from, end - from);
}

bool ReplyReader::skip(char c)
{
    if (atEnd() || m_text[m_next] != c)
        return false;
    ++m_next;
    return true;
}

char ReplyReader::at(int pos) const
{
    if (pos < 1 || pos > size())
        return 0;
    return m_text[pos - 1];
}

int ReplyReader::findAt(char c, int from) const
{
    if (from < 1)
        from = 1;
    if (from > size())
        return 0;
    const qsizetype i = m_text.indexOf(c, from - 1);
    return i < 0 ? 0 : int(i) + 1;
}

int ReplyReader::findText(QByteArrayView needle, int from) const
{
    if (from < 1)
        from = 1;
    if (from > size() + 1)
        return 0;
    const qsizetype i = m_text.indexOf(needle, from - 1);
    return i < 0 ? 0 : int(i) + 1;
}

int ReplyReader::lineEnd(int from) const
{
    const int lf = findAt('\n', from);
    return lf ? lf : size() + 1;
}

QByteArray ReplyReader::cut(int first, int last) const
{
    first = std::max(first, 1);
    last = std::min(last, size());
    if (last < first)
        return QByteArray();
    return m_text.sliced(first - 1, last - first + 1).toByteArray();
}

} // namespace fragdeck
