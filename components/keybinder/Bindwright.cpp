#include "Bindwright.h"

#include "BindWindow.h"

#include <QApplication>

namespace fragdeck::bind
{

BindwrightFactory::BindwrightFactory()
    : OneClassFactory("class", [] {
          return new WindowClass([] {
              BindWindow window(QApplication::activeWindow());
              window.exec();
          });
      })
{
}

} // namespace fragdeck::bind
