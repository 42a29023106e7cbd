#include "KickgateComponent.h"

#include "Paths.h"
#include "StarterWindow.h"

namespace fragdeck::starter
{

namespace
{
const int anchor = 0; // an address inside this library, to find its folder
} // namespace

void Class::Main()
{
    StarterWindow window(libraryFolderOf(&anchor));
    window.exec();
}

QObject* KickgateFactory::create(const QString& className)
{
    if (className.compare(QLatin1String("Class"), Qt::CaseInsensitive) == 0)
        return new Class;
    return nullptr;
}

} // namespace fragdeck::starter
