#include "Commander.h"

#include "FieldOps.h"
#include "QueryWindow.h"
#include "core/Variant.h"

namespace fragdeck::query
{

namespace
{
const QString kOK = QStringLiteral("OK");
}

Commander::Commander(QObject* parent) : QObject(parent)
{
    setObjectName(QStringLiteral("Commander"));
}

QVariant Commander::Quit()
{
    QueryWindow::instance().closeSocket();
    queryState().WaitTimer.StopTimer();
    return kOK;
}

QVariant Commander::Connect(QVariant aHostname, QVariant aHostPort, QVariant aHostType,
                            QVariant aTimeOut)
{
    QueryState& st = queryState();
    st.RepliesNeeded = 1;
    st.TimedOut = false;
    st.Waiting = true;
    st.Hostname = toText(aHostname);
    st.HostPort = toInt32(aHostPort);
    st.HostType = toText(aHostType);
    st.TimeOut = toInt16(aTimeOut);
    st.RepliesSeen = 0;
    st.Stage = 0;
    QueryWindow::instance().Query();
    return kOK;
}

QVariant Commander::GetClientCount()
{
    return fields::getClientCount(queryState());
}

void Commander::GetClientInfo(QVariant aIdx, QVariant& aScore, QVariant& aPing,
                              QVariant& aPlayername, QVariant& aColorCodeName)
{
    fields::getClientInfo(queryState(), aIdx, aScore, aPing, aPlayername, aColorCodeName);
}

QVariant Commander::GetClientInfo_score(QVariant aIdx)
{
    QVariant score, ping, name, colorName;
    fields::getClientInfo(queryState(), aIdx, score, ping, name, colorName);
    return score;
}

QVariant Commander::GetClientInfo_ping(QVariant aIdx)
{
    QVariant score, ping, name, colorName;
    fields::getClientInfo(queryState(), aIdx, score, ping, name, colorName);
    return ping;
}

QVariant Commander::GetClientInfo_name(QVariant aIdx)
{
    QVariant score, ping, name, colorName;
    fields::getClientInfo(queryState(), aIdx, score, ping, name, colorName);
    return name;
}

QVariant Commander::GetClientInfo_colorcodename(QVariant aIdx)
{
    QVariant score, ping, name, colorName;
    fields::getClientInfo(queryState(), aIdx, score, ping, name, colorName);
    return colorName;
}

QVariant Commander::IsTimeOut()
{
    return queryState().TimedOut;
}

QVariant Commander::GetRulesCount()
{
    return fields::getRulesCount(queryState());
}

void Commander::GetRulesInfo(QVariant aCount, QVariant& aVarName, QVariant& aVarValue)
{
    fields::getRulesInfo(queryState(), aCount, aVarName, aVarValue);
}

QVariant Commander::GetRulesInfo_varname(QVariant aCount)
{
    QVariant name, value;
    fields::getRulesInfo(queryState(), aCount, name, value);
    return name;
}

QVariant Commander::GetRulesInfo_varvalue(QVariant aCount)
{
    QVariant name, value;
    fields::getRulesInfo(queryState(), aCount, name, value);
    return value;
}

QVariant Commander::get_time()
{
    return fields::getTime(queryState());
}

QVariant Commander::get_scorea()
{
    return fields::getScoreA(queryState());
}

QVariant Commander::get_scoreb()
{
    return fields::getScoreB(queryState());
}

QVariant Commander::get_servername()
{
    return fields::getServerName(queryState());
}

QVariant Commander::get_mapname()
{
    return fields::getMapName(queryState());
}

QVariant Commander::get_maxclients()
{
    return fields::getMaxClients(queryState());
}

} // namespace fragdeck::query
