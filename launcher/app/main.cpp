// fragdeck: the launcher program.
#include "Form1.h"
#include "gui/WindowGeometry.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Fragdeck"));
    QApplication::setDesktopFileName(QStringLiteral("io.github.fragdeck.Fragdeck"));
    fragdeck::keepWindowGeometry(&app);
    fragdeck::launcher::Form1 form;
    form.load();
    return QApplication::exec();
}
