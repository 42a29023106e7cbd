// Arbitrary bytes as the stored reply of every protocol, through every field operation.
// Only the overflow error may come out; anything else (a crash, a read outside the reply,
// another error) is a fault.
#include "FieldOps.h"
#include "core/Error.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace fragdeck;
using namespace fragdeck::query;

namespace
{

void expectOnlyOverflow(void (*op)(QueryState&, const QVariant&), QueryState& st,
                        const QVariant& arg)
{
    try {
        op(st, arg);
    } catch (const Error& e) {
        if (e.number() != ErrorCode::Overflow)
            std::abort();
    }
}

void allOperations(QueryState& st, const QVariant& index)
{
    const auto fieldOps = +[](QueryState& s, const QVariant&) {
        fields::getField(s, Key::TimeRemaining);
        fields::getField(s, Key::ScoreA);
        fields::getField(s, Key::ScoreB);
        fields::getField(s, Key::ServerName);
        fields::getField(s, Key::MapName);
        fields::getField(s, Key::MaxClients);
        const QVariant n = fields::getClientCount(s);
        if (n.toInt() < 0)
            std::abort();
        const QVariant r = fields::getRulesCount(s);
        if (r.isValid() && r.toInt() <= 0)
            std::abort();
    };
    const auto clientInfo = +[](QueryState& s, const QVariant& i) {
        QVariant a, b, c, d;
        fields::getClientInfo(s, i, a, b, c, d);
    };
    const auto rulesInfo = +[](QueryState& s, const QVariant& i) {
        QVariant a, b;
        fields::getRulesInfo(s, i, a, b);
    };
    expectOnlyOverflow(fieldOps, st, index);
    expectOnlyOverflow(clientInfo, st, index);
    expectOnlyOverflow(rulesInfo, st, index);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    static const char* const types[] = {"QUAKE3",   "QUAKE2", "QUAKEWORLD",
                                        "HALFLIFE", "CUSTOM", "quake3"};
    const int fromData = size ? data[0] : 0;
    const QVariant indexes[] = {-1, 0, 1, 2, 3, 7, fromData, 99, 255, 32767};
    for (const char* type : types) {
        QueryState st;
        st.HostType = QString::fromLatin1(type);
        st.Reply = bytes;
        // "HALFLIFE" reads three replies: the whole input, and its thirds.
        st.InfoReply = bytes.left(bytes.size() / 3);
        st.RulesReply = bytes.mid(bytes.size() / 3, bytes.size() / 3);
        st.PlayersReply = bytes;
        for (const QVariant& i : indexes) {
            allOperations(st, i);
            st.Reply = bytes; // the rule operations of "HALFLIFE" replace it
        }
        st.RulesReply = bytes;
        allOperations(st, fromData);
    }
    return 0;
}
