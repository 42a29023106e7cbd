#include "LinkShelf.h"

#include "LinkShelfWindow.h"
#include "Paths.h"

#include <QApplication>

namespace fragdeck::links
{

void LinkShelfClass::main()
{
    // The links file lives beside this library (the component folder).
    const QString folder =
        libraryFolderOf(static_cast<const void*>(&LinkShelfClass::staticMetaObject));
    LinkShelfWindow window(folder + QStringLiteral("\\links.dat"), QApplication::activeWindow());
    window.exec();
}

QObject* LinkShelfFactory::create(const QString& className)
{
    if (className.compare(QLatin1String("class"), Qt::CaseInsensitive) == 0)
        return new LinkShelfClass;
    return nullptr;
}

} // namespace fragdeck::links
