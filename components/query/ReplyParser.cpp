#include "ReplyParser.h"

#include "core/Error.h"
#include "game/InfoString.h"
#include "game/ReplyReader.h"

namespace fragdeck::query
{
namespace
{

constexpr char BS = '\\';
constexpr char LF = '\n';
constexpr char NUL = '\0';
constexpr char SP = ' ';

struct KeySearch {
    QByteArrayView text;
    int skip;
};

KeySearch searchFor(Key key, Protocol protocol)
{
    switch (key) {
    case Key::ServerName:
        if (protocol == Protocol::Quake3)
            return {"sv_hostname\\", 12};
        return {"hostname\\", 9};
    case Key::MapName:
        return {"mapname\\", 8};
    case Key::MaxClients:
        return {"sv_maxclients\\", 14};
    case Key::TimeRemaining:
        // The key alone; the skip also covers the backslash after it.
        return {"time_remaining", 15};
    case Key::ScoreA:
        return {"score_a\\", 8};
    case Key::ScoreB:
        return {"score_b\\", 8};
    }
    return {"", 0};
}

// The text between the k-th and the (k+1)-th NUL (to the end when the latter is missing).
QByteArray betweenNuls(const ReplyReader& r, int k)
{
    int a = 0;
    for (int i = 0; i < k; ++i) {
        a = r.findAfter(NUL, a);
        if (!a)
            return QByteArray();
    }
    int b = r.findAfter(NUL, a);
    if (!b)
        b = r.size() + 1;
    return r.cut(a + 1, b - 1);
}

// The value of a rule whose name ends at the separator at q: up to the next separator, or
// the next line feed, or the end of the reply. `next` is where the value ends (the next
// rule's separator), 0 when it runs to the end.
struct ValueCut {
    QByteArray value;
    int next;
};
ValueCut valueAfter(const ReplyReader& r, char separator, int q)
{
    int v = r.findAfter(separator, q);
    if (!v)
        v = r.findAfter(LF, q);
    if (!v)
        return {r.cut(q + 1, r.size()), 0};
    return {r.cut(q + 1, v - 1), v};
}

} // namespace

void checkLength(QByteArrayView text)
{
    if (text.size() > kMaxReplyLength)
        throw Error(ErrorCode::Overflow, QStringLiteral("Overflow"));
}

std::optional<QByteArray> lookupKey(QByteArrayView reply, Key key, Protocol protocol)
{
    const KeySearch s = searchFor(key, protocol);
    const auto value = InfoString(reply).find(s.text, KeyMatch::FirstText, s.skip);
    if (!value)
        return std::nullopt;
    return value->isEmpty() ? QByteArray() : value->toByteArray();
}

int clientCount(QByteArrayView reply, Protocol protocol)
{
    const ReplyReader r(reply);
    int p = r.findAt(LF, 1);
    if (protocol != Protocol::QuakeWorld && p)
        p = r.findAfter(LF, p);
    // An info line without its LF has no player lines after it.
    if (!p)
        return 0;
    int n = 0;
    for (;;) {
        const int q = r.findAfter(LF, p);
        ++n;
        if (!q)
            break;
        p = q;
    }
    return n - 1;
}

std::optional<PlayerFields> clientInfo(QByteArrayView reply, Protocol protocol, int index)
{
    const ReplyReader r(reply);
    const bool qw = protocol == Protocol::QuakeWorld;
    if (index < 0)
        return std::nullopt;
    int p = 0;
    if (!qw) {
        p = r.findAt(LF, 1);
        if (!p)
            return std::nullopt;
    }
    for (int i = 0; i <= index; ++i) {
        p = r.findAfter(LF, p);
        if (!p)
            return std::nullopt;
    }
    if (p >= r.size())
        return std::nullopt; // nothing after the last LF
    // Fields are searched within the player's own line only.
    const int end = r.lineEnd(p + 1);
    const auto space = [&](int from) {
        const int s = r.findAfter(SP, from);
        return s && s < end ? s : 0;
    };
    PlayerFields f;
    if (qw) {
        p = space(p); // past the user id
        if (!p)
            return f;
    }
    // Cuts the field after `from` up to the next blank (or the line's end); the blank's
    // position, 0 when the line ends first.
    const auto field = [&](int from, QByteArray& into) {
        const int s = space(from);
        into = r.cut(from + 1, (s ? s : end) - 1);
        return s;
    };
    const int s1 = field(p, f.score);
    if (!s1)
        return f;
    int s2 = s1;
    if (qw) {
        s2 = space(s1); // past the time field
        if (!s2)
            return f;
    }
    const int s3 = field(s2, f.ping);
    if (!s3)
        return f;
    int e = qw ? space(s3) : 0;
    if (!e)
        e = end;
    // Drops the blank and the opening quote before the name and the closing quote after it.
    f.name = r.cut(s3 + 2, e - 2);
    return f;
}

int rulesCount(QByteArrayView reply)
{
    const ReplyReader r(reply);
    int p = r.findAt(BS, 1);
    if (!p)
        return 0;
    int n = 0;
    for (;;) {
        p = r.findAt(BS, p);
        if (!p)
            break;
        ++n;
        const int q = r.findAfter(BS, p);
        if (!q)
            break; // a name without its closing backslash ends the walk
        int v = r.findAfter(BS, q);
        if (!v)
            v = r.findAfter(LF, q);
        if (!v)
            break;
        p = v;
    }
    return n;
}

std::optional<RuleFields> rulesInfo(QByteArrayView reply, int index)
{
    const ReplyReader r(reply);
    int p = r.findAt(BS, 1);
    if (!p)
        return std::nullopt;
    std::optional<RuleFields> last;
    for (int i = 0;; ++i) {
        p = r.findAt(BS, p);
        if (!p)
            break;
        const int q = r.findAfter(BS, p);
        if (!q) {
            last = RuleFields{r.cut(p + 1, r.lineEnd(p + 1) - 1), QByteArray()};
            break;
        }
        const ValueCut v = valueAfter(r, BS, q);
        last = RuleFields{r.cut(p + 1, q - 1), v.value};
        if (!v.next || i == index)
            break;
        p = v.next;
    }
    return last;
}

int halfLifeClientCount(QByteArrayView players)
{
    bool seen[256] = {};
    for (const char c : players)
        seen[static_cast<unsigned char>(c)] = true;
    int n = 0;
    while (n < 256 && seen[n])
        ++n;
    return n;
}

std::optional<QByteArray> halfLifeClientName(QByteArrayView players, int index)
{
    const int code = index + 1;
    if (code < 0 || code > 255)
        return std::nullopt;
    const ReplyReader r(players);
    const int b = r.findAt(static_cast<char>(code), 1);
    if (!b)
        return std::nullopt;
    int d = r.findAt(NUL, b);
    if (!d)
        d = r.size() + 1;
    return r.cut(b + 1, d - 1);
}

int halfLifeRulesCount(QByteArrayView rules)
{
    const ReplyReader r(rules);
    int n = 2;
    int p = 1;
    for (;;) {
        p = r.findAt(NUL, p);
        if (!p || p == r.size())
            break;
        ++n;
        p = r.findAfter(NUL, p);
        if (!p)
            break;
        p = valueAfter(r, NUL, p).next;
        if (!p)
            break;
    }
    return n;
}

std::optional<RuleFields> halfLifeRulesInfo(QByteArrayView info, QByteArrayView rules, int index)
{
    if (index == 0)
        return RuleFields{"mapname", betweenNuls(ReplyReader(info), 2)};
    if (index == 1)
        return RuleFields{"gamedir", betweenNuls(ReplyReader(info), 3)};
    const ReplyReader r(rules);
    std::optional<RuleFields> last;
    int p = 1;
    for (int i = 0;; ++i) {
        p = r.findAt(NUL, p);
        if (!p || p == r.size())
            break;
        const int q = r.findAfter(NUL, p);
        if (!q) {
            last = RuleFields{r.cut(p + 1, r.size()), QByteArray()};
            break;
        }
        const ValueCut v = valueAfter(r, NUL, q);
        last = RuleFields{r.cut(p + 1, q - 1), v.value};
        if (!v.next || i == index - 2)
            break;
        p = v.next;
    }
    return last;
}

} // namespace fragdeck::query
