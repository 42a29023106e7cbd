#pragma once
// The cutting rules: every field is cut afresh out of the stored reply text. Positions are
// counted in 16-bit integers, so every function here raises Error 6 (overflow) for a
// text longer than 32,767 characters; otherwise none of them fails or reads outside the
// text, whatever its bytes. Where a value's closing character is missing the value runs
// to the end of its line (or of the text), so a truncated reply gives shortened values.
#include "QueryProtocol.h"

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

namespace fragdeck::query
{

constexpr int kMaxReplyLength = 32767;

// Error 6 "Overflow" when `text` is too long for 16-bit positions.
void checkLength(QByteArrayView text);

enum class Key { ServerName, MapName, MaxClients, TimeRemaining, ScoreA, ScoreB };

// The value of a key in `reply` (the key is searched for in the lower-cased text, the
// value cut from the text itself); nullopt when the key is absent.
std::optional<QByteArray> lookupKey(QByteArrayView reply, Key key, Protocol protocol);

// Player lines: the number of LFs after the end of the info line.
int clientCount(QByteArrayView reply, Protocol protocol);

struct PlayerFields {
    QByteArray score;
    QByteArray ping;
    QByteArray name; // as sent, colour codes included
};
// Player `index` (0-based); nullopt when the reply has no such line.
std::optional<PlayerFields> clientInfo(QByteArrayView reply, Protocol protocol, int index);

// Name/value pairs of the info string; 0 when there are none.
int rulesCount(QByteArrayView reply);

struct RuleFields {
    QByteArray name;
    QByteArray value;
};
// Rule `index` (0-based); an index at or past the last pair gives the last pair; nullopt
// when the reply holds no pair.
std::optional<RuleFields> rulesInfo(QByteArrayView reply, int index);

// "HALFLIFE": the smallest byte value that does not occur in the players reply.
int halfLifeClientCount(QByteArrayView players);
// "HALFLIFE": the name after the first byte of value index + 1; nullopt when none.
std::optional<QByteArray> halfLifeClientName(QByteArrayView players, int index);
// "HALFLIFE": two entries from the info reply plus one per NUL-separated pair.
int halfLifeRulesCount(QByteArrayView rules);
// "HALFLIFE": rule 0 is the map and rule 1 the game folder from the info reply; from 2 on
// the pairs of the rules reply (the last pair for an index past them; nullopt for none).
std::optional<RuleFields> halfLifeRulesInfo(QByteArrayView info, QByteArrayView rules, int index);

} // namespace fragdeck::query
