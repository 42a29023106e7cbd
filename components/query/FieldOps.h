#pragma once
// The Commander's field operations over a query state: each cuts its answer afresh out of
// the stored replies. A field that is not found gives an empty variant; a reply longer
// than 32,767 characters raises Error 6; an index that does not fit 16 bits raises Error 6.
#include "QueryState.h"
#include "ReplyParser.h"

#include <QVariant>

namespace fragdeck::query::fields
{

QVariant getClientCount(QueryState& st);
void getClientInfo(QueryState& st, const QVariant& aIdx, QVariant& aScore, QVariant& aPing,
                   QVariant& aPlayername, QVariant& aColorCodeName);
QVariant getRulesCount(QueryState& st);
void getRulesInfo(QueryState& st, const QVariant& aCount, QVariant& aVarName, QVariant& aVarValue);
// get_time, get_scorea, get_scoreb, get_servername, get_mapname and get_maxclients.
QVariant getField(QueryState& st, Key key);

} // namespace fragdeck::query::fields
