#pragma once
// The game's info strings, "\key\value\key\value", read in place: a value for a key, or
// every pair in order. A key without a value at the very end gets an empty value.
#include "game/ReplyReader.h"

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

namespace fragdeck
{

// Keys of an info string are the same in any case.
inline bool sameInfoKey(QByteArrayView a, QByteArrayView b)
{
    return a.size() == b.size() && a.compare(b, Qt::CaseInsensitive) == 0;
}

// How a key is found.
enum class KeyMatch {
    // Pair by pair, the key compared whole in any case; the first such pair counts
    // (demos' config strings, the server list's replies).
    WholeKey,
    // As the query engine finds a key: the first place its text occurs anywhere in the
    // string, letters in any case (the text is given in lower case); the value runs to the
    // next backslash, else to the end of its line.
    FirstText,
};

class InfoString
{
public:
    explicit InfoString(QByteArrayView info) : m_info(info) {}

    // f(key, value) for each pair in order.
    template <typename F> void forEachPair(F&& f) const
    {
        ReplyReader r(m_info);
        r.skip('\\');
        while (!r.atEnd()) {
            const QByteArrayView key = r.take('\\');
            f(key, r.take('\\'));
        }
    }

    // The value for `key`; nullopt when there is none. With FirstText the value starts
    // `skip` bytes after where the text was found (by default right after it).
    std::optional<QByteArrayView> find(QByteArrayView key, KeyMatch match = KeyMatch::WholeKey,
                                       qsizetype skip = -1) const;
    // The value for `key` compared whole, empty when there is none.
    QByteArray value(QByteArrayView key) const
    {
        return find(key).value_or(QByteArrayView()).toByteArray();
    }

private:
    QByteArrayView m_info;
};

} // namespace fragdeck
