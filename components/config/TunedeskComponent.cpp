#include "TunedeskComponent.h"

#include "ModOptionsWindow.h"
#include "Paths.h"

namespace
{
// An address inside this library: its folder is the component folder with options.dat.
void componentAnchor() {}
} // namespace

void ConfigClass::main()
{
    const QString folder =
        fragdeck::libraryFolderOf(reinterpret_cast<const void*>(&componentAnchor));
    fragdeck::config::ModOptionsWindow window(folder);
    window.load();
    window.exec();
}

QObject* TunedeskFactory::create(const QString& className)
{
    if (className.compare(QLatin1String("class"), Qt::CaseInsensitive) == 0)
        return new ConfigClass;
    return nullptr;
}
