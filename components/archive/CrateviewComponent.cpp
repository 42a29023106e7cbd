#include "CrateviewComponent.h"

#include "CrateviewWindow.h"

namespace fragdeck::archive
{

void CrateviewClass::main()
{
    CrateviewWindow form;
    form.exec();
}

QObject* CrateviewFactory::create(const QString& className)
{
    if (className.compare(QLatin1String("Class"), Qt::CaseInsensitive) == 0)
        return new CrateviewClass;
    return nullptr;
}

} // namespace fragdeck::archive
