#include "FieldOps.h"

#include "ReplyParser.h"
#include "core/Variant.h"
#include "game/GameText.h"

namespace fragdeck::query::fields
{
namespace
{

QVariant text(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes);
}

bool isHalfLife(const QueryState& st)
{
    return protocolOf(st.HostType) == Protocol::HalfLife;
}

} // namespace

QVariant getClientCount(QueryState& st)
{
    if (isHalfLife(st)) {
        checkLength(st.PlayersReply);
        return halfLifeClientCount(st.PlayersReply);
    }
    checkLength(st.Reply);
    return clientCount(st.Reply, protocolOf(st.HostType));
}

void getClientInfo(QueryState& st, const QVariant& aIdx, QVariant& aScore, QVariant& aPing,
                   QVariant& aPlayername, QVariant& aColorCodeName)
{
    const int16_t idx = toInt16(aIdx);
    if (isHalfLife(st)) {
        checkLength(st.PlayersReply);
        const auto name = halfLifeClientName(st.PlayersReply, idx);
        if (!name) {
            // The other out-values keep what the caller passed.
            aPlayername = QStringLiteral("Overload");
            return;
        }
        aScore = 0;
        aPing = 0;
        aPlayername = text(*name);
        aColorCodeName = text(*name);
        return;
    }
    checkLength(st.Reply);
    const auto f = clientInfo(st.Reply, protocolOf(st.HostType), idx);
    if (!f) {
        aScore = aPing = aPlayername = aColorCodeName = QVariant();
        return;
    }
    aScore = text(f->score);
    aPing = text(f->ping);
    aPlayername = text(withoutColourCodes(f->name, CaretRule::QueryEngine));
    aColorCodeName = text(f->name);
}

QVariant getRulesCount(QueryState& st)
{
    if (isHalfLife(st)) {
        // From here on every operation that reads the reply reads the rules reply.
        st.Reply = st.RulesReply;
        checkLength(st.Reply);
        return halfLifeRulesCount(st.Reply);
    }
    checkLength(st.Reply);
    const int n = rulesCount(st.Reply);
    return n ? QVariant(n) : QVariant();
}

void getRulesInfo(QueryState& st, const QVariant& aCount, QVariant& aVarName, QVariant& aVarValue)
{
    const int16_t count = toInt16(aCount);
    std::optional<RuleFields> f;
    if (isHalfLife(st)) {
        st.Reply = st.RulesReply;
        checkLength(st.Reply);
        checkLength(st.InfoReply);
        f = halfLifeRulesInfo(st.InfoReply, st.Reply, count);
    } else {
        checkLength(st.Reply);
        f = rulesInfo(st.Reply, count);
    }
    // Without a single pair the out-values keep what the caller passed.
    if (f) {
        aVarName = text(f->name);
        aVarValue = text(f->value);
    }
}

QVariant getField(QueryState& st, Key key)
{
    checkLength(st.Reply);
    const auto v = lookupKey(st.Reply, key, protocolOf(st.HostType));
    return v ? text(*v) : QVariant();
}

} // namespace fragdeck::query::fields
