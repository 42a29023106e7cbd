#include "Bindwright.h"

#include "BindWindow.h"

#include <QApplication>

namespace fragdeck::bind
{

BindwrightFactory::BindwrightFactory()
    : OneWindowFactory("class", [] { BindWindow(QApplication::activeWindow()).exec(); })
{
}

} // namespace fragdeck::bind
