#include "Linetune.h"

#include "NetWindow.h"

#include <QApplication>

namespace fragdeck::net
{

LinetuneFactory::LinetuneFactory()
    : OneClassFactory("entry", [] {
          return new WindowClass([] {
              NetWindow window(QApplication::activeWindow());
              window.exec();
          });
      })
{
}

} // namespace fragdeck::net
