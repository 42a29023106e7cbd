#include "BeaconlistComponent.h"

#include "BrowserWindow.h"
#include "Paths.h"

namespace fragdeck
{
namespace
{
// Any address inside this library tells where the library lies.
const char libraryAnchor = 0;
} // namespace

void BeaconlistClass::Main()
{
    // The player's own book; the one shipped in the program folder is its first content.
    BrowserWindow window(
        userFile(QStringLiteral("addbook.dat"),
                 libraryFolderOf(&libraryAnchor) + QStringLiteral("/addbook.dat")));
    window.exec();
}

QObject* BeaconlistFactory::create(const QString& className)
{
    if (className.compare(QLatin1String("Class"), Qt::CaseInsensitive) == 0)
        return new BeaconlistClass;
    return nullptr;
}

} // namespace fragdeck
