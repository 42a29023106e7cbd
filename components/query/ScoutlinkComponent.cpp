#include "ScoutlinkComponent.h"

#include "Commander.h"

namespace fragdeck::query
{

QObject* ScoutlinkFactory::create(const QString& className)
{
    if (className.compare(QLatin1String("Commander"), Qt::CaseInsensitive) == 0)
        return new Commander;
    return nullptr;
}

} // namespace fragdeck::query
