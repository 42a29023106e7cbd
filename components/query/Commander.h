#pragma once
// The query engine's one creatable class ("scoutlink.commander"). Every Commander on a
// thread shares that thread's query state and socket: the last Connect wins. Operations
// are declared in slot order; callers reach them by name without regard to case.
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
    Q_INVOKABLE QVariant GetClientInfo_score(QVariant aIdx);
    Q_INVOKABLE QVariant GetClientInfo_ping(QVariant aIdx);
    Q_INVOKABLE QVariant GetClientInfo_name(QVariant aIdx);
    Q_INVOKABLE QVariant GetClientInfo_colorcodename(QVariant aIdx);
    Q_INVOKABLE QVariant IsTimeOut();
    Q_INVOKABLE QVariant GetRulesCount();
    Q_INVOKABLE void GetRulesInfo(QVariant aCount, QVariant& aVarName, QVariant& aVarValue);
    Q_INVOKABLE QVariant GetRulesInfo_varname(QVariant aCount);
    Q_INVOKABLE QVariant GetRulesInfo_varvalue(QVariant aCount);
    Q_INVOKABLE QVariant get_time();
    Q_INVOKABLE QVariant get_scorea();
    Q_INVOKABLE QVariant get_scoreb();
    Q_INVOKABLE QVariant get_servername();
    Q_INVOKABLE QVariant get_mapname();
    Q_INVOKABLE QVariant get_maxclients();
};

} // namespace fragdeck::query
