// Must not build: a component's logic library that reaches for a widget. The layers test
// builds this as a logic library and expects the build to fail.
#include <QWidget>

int widgetInLogic()
{
    QWidget w;
    return w.width();
}
