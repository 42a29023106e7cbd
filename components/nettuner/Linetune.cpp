#include "Linetune.h"

#include "NetWindow.h"

#include <QApplication>

void LinetuneEntry::main()
{
    fragdeck::net::NetWindow window(QApplication::activeWindow());
    window.exec();
}

QObject* LinetuneFactory::create(const QString& className)
{
    if (className.compare(QLatin1String("entry"), Qt::CaseInsensitive) == 0)
        return new LinetuneEntry;
    return nullptr;
}
