#include "ReelgateComponent.h"

#include "DemoWindow.h"

namespace fragdeck::demos
{

void Class::Main()
{
    DemoWindow window;
    window.exec();
}

QObject* ReelgateFactory::create(const QString& className)
{
    if (className.compare(QLatin1String("Class"), Qt::CaseInsensitive) == 0)
        return new Class;
    return nullptr;
}

} // namespace fragdeck::demos
