#include "KickgateComponent.h"

#include "StarterWindow.h"

namespace fragdeck::starter
{

void Class::Main()
{
    StarterWindow window;
    window.exec();
}

QObject* KickgateFactory::create(const QString& className)
{
    if (className.compare(QLatin1String("Class"), Qt::CaseInsensitive) == 0)
        return new Class;
    return nullptr;
}

} // namespace fragdeck::starter
