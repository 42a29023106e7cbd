#include "Bindwright.h"

#include "BindWindow.h"

#include <QApplication>

void BindwrightClass::main()
{
    fragdeck::bind::BindWindow window(QApplication::activeWindow());
    window.exec();
}

QObject* BindwrightFactory::create(const QString& className)
{
    if (className.compare(QLatin1String("class"), Qt::CaseInsensitive) == 0)
        return new BindwrightClass;
    return nullptr;
}
