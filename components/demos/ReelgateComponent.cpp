#include "ReelgateComponent.h"

#include "DemoWindow.h"
#include "Paths.h"

namespace fragdeck::demos
{
namespace
{
const int anchor = 0; // an address inside this library, to find its folder
} // namespace

void Class::Main()
{
    DemoWindow window(libraryFolderOf(&anchor));
    window.exec();
}

QObject* ReelgateFactory::create(const QString& className)
{
    if (className.compare(QLatin1String("Class"), Qt::CaseInsensitive) == 0)
        return new Class;
    return nullptr;
}

} // namespace fragdeck::demos
