#include "WardholdComponent.h"

#include "RconWindow.h"

namespace fragdeck
{

void WardholdClass::main()
{
    RconWindow window;
    window.exec();
}

QObject* WardholdFactory::create(const QString& className)
{
    if (className.compare(QLatin1String("class"), Qt::CaseInsensitive) == 0)
        return new WardholdClass;
    return nullptr;
}

} // namespace fragdeck
