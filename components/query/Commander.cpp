#include "Commander.h"

#include "FieldOps.h"
#include "QuerySocket.h"
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
    QuerySocket::instance().closeSocket();
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
    QuerySocket::instance().Query();
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

QVariant Commander::clientPart(const QVariant& aIdx, int part)
{
    QVariant parts[4];
    fields::getClientInfo(queryState(), aIdx, parts[0], parts[1], parts[2], parts[3]);
    return parts[part];
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

QVariant Commander::rulePart(const QVariant& aCount, int part)
{
    QVariant parts[2];
    fields::getRulesInfo(queryState(), aCount, parts[0], parts[1]);
    return parts[part];
}

QVariant Commander::field(Key key)
{
    return fields::getField(queryState(), key);
}

} // namespace fragdeck::query
