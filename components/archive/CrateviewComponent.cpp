#include "CrateviewComponent.h"

#include "CrateviewWindow.h"
#include "Paths.h"

namespace fragdeck::archive
{
namespace
{
const char g_anchor = 0; // an address inside this library: its folder is the component's
} // namespace

void CrateviewClass::main()
{
    CrateviewWindow form(libraryFolderOf(&g_anchor));
    form.exec();
}

QObject* CrateviewFactory::create(const QString& className)
{
    if (className.compare(QLatin1String("Class"), Qt::CaseInsensitive) == 0)
        return new CrateviewClass;
    return nullptr;
}

} // namespace fragdeck::archive
