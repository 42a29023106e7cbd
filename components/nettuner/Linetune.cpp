#include "Linetune.h"

#include "NetWindow.h"

#include <QApplication>

namespace fragdeck::net
{

LinetuneFactory::LinetuneFactory()
    : OneWindowFactory("entry", [] { NetWindow(QApplication::activeWindow()).exec(); })
{
}

} // namespace fragdeck::net
