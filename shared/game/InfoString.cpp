#include "InfoString.h"

namespace fragdeck
{

std::optional<QByteArrayView> InfoString::find(QByteArrayView key, KeyMatch match,
                                               qsizetype skip) const
{
    if (match == KeyMatch::WholeKey) {
        std::optional<QByteArrayView> found;
        forEachPair([&](QByteArrayView k, QByteArrayView v) {
            if (!found && sameInfoKey(k, key))
                found = v;
        });
        return found;
    }
    const QByteArray lower = m_info.toByteArray().toLower(); // ASCII letters only
    const qsizetype at = lower.indexOf(key);
    if (at < 0)
        return std::nullopt;
    const qsizetype start = at + (skip < 0 ? key.size() : skip);
    if (start >= m_info.size())
        return QByteArrayView();
    qsizetype end = m_info.indexOf('\\', start);
    if (end < 0)
        end = m_info.indexOf('\n', start);
    if (end < 0)
        end = m_info.size();
    return m_info.sliced(start, end - start);
}

} // namespace fragdeck
