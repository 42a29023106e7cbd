#pragma once
// The query engine's one creatable class ("scoutlink.commander"). Every Commander on a
// thread shares that thread's query state and socket: the last Connect wins. Operations
// are declared in slot order; callers reach them by name without regard to case.
#include "ReplyParser.h"

#include <QObject>
#include <QVariant>

namespace fragdeck::query
{

class Commander : public QObject
{
    Q_OBJECT
public:
    explicit Commander(QObject* parent = nullptr);

    Q_INVOKABLE QVariant Quit();
    // Stores the target and runs one whole exchange; returns "OK" whatever happened
    // (IsTimeOut tells). Error 6 for a port or time-out that does not fit.
    Q_INVOKABLE QVariant Connect(QVariant aHostname, QVariant aHostPort, QVariant aHostType,
                                 QVariant aTimeOut);
    Q_INVOKABLE QVariant GetClientCount();
    Q_INVOKABLE void GetClientInfo(QVariant aIdx, QVariant& aScore, QVariant& aPing,
                                   QVariant& aPlayername, QVariant& aColorCodeName);
    Q_INVOKABLE QVariant GetClientInfo_score(QVariant aIdx) { return clientPart(aIdx, 0); }
    Q_INVOKABLE QVariant GetClientInfo_ping(QVariant aIdx) { return clientPart(aIdx, 1); }
    Q_INVOKABLE QVariant GetClientInfo_name(QVariant aIdx) { return clientPart(aIdx, 2); }
    Q_INVOKABLE QVariant GetClientInfo_colorcodename(QVariant aIdx) { return clientPart(aIdx, 3); }
    Q_INVOKABLE QVariant IsTimeOut();
    Q_INVOKABLE QVariant GetRulesCount();
    Q_INVOKABLE void GetRulesInfo(QVariant aCount, QVariant& aVarName, QVariant& aVarValue);
    Q_INVOKABLE QVariant GetRulesInfo_varname(QVariant aCount) { return rulePart(aCount, 0); }
    Q_INVOKABLE QVariant GetRulesInfo_varvalue(QVariant aCount) { return rulePart(aCount, 1); }
    Q_INVOKABLE QVariant get_time() { return field(Key::TimeRemaining); }
    Q_INVOKABLE QVariant get_scorea() { return field(Key::ScoreA); }
    Q_INVOKABLE QVariant get_scoreb() { return field(Key::ScoreB); }
    Q_INVOKABLE QVariant get_servername() { return field(Key::ServerName); }
    Q_INVOKABLE QVariant get_mapname() { return field(Key::MapName); }
    Q_INVOKABLE QVariant get_maxclients() { return field(Key::MaxClients); }

private:
    // One out-value of GetClientInfo (0 score, 1 ping, 2 name, 3 colour-coded name) or of
    // GetRulesInfo (0 name, 1 value), the others dropped.
    static QVariant clientPart(const QVariant& aIdx, int part);
    static QVariant rulePart(const QVariant& aCount, int part);
    static QVariant field(Key key);
};

} // namespace fragdeck::query
