#pragma once
// Everything the query engine knows. The engine keeps one per thread, shared by every
// Commander on that thread; the field operations take it as an argument.
#include "ClsTimer.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace fragdeck::query
{

struct QueryState {
    QString Hostname;
    int32_t HostPort = 0;
    QString HostType;
    int16_t TimeOut = 0;
    bool TimedOut = false;
    bool Waiting = false;
    QByteArray Reply; // one character per received byte
    int16_t Stage = 0;
    int16_t RepliesNeeded = 0;
    int16_t RepliesSeen = 0;
    QByteArray InfoReply;
    QByteArray RulesReply;
    QByteArray PlayersReply;
    QString CustomRequest;
    clsTimer WaitTimer;
};

} // namespace fragdeck::query
