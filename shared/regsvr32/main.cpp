// The registration tool: writes a component library's registered names into the settings
// store. Command line as the launcher issues it: "regsvr32 /s tunedesk.so" (run in the
// folder holding the library). /s: no output. /u: unregister. Exit 0 on success, 3 when
// the library is missing or not a component.
#include "core/Activation.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    bool silent = false, unregister = false;
    QStringList libraries;
    for (const QString& a : app.arguments().mid(1)) {
        if (a.compare(QLatin1String("/s"), Qt::CaseInsensitive) == 0 ||
            a.compare(QLatin1String("-s"), Qt::CaseInsensitive) == 0)
            silent = true;
        else if (a.compare(QLatin1String("/u"), Qt::CaseInsensitive) == 0 ||
                 a.compare(QLatin1String("-u"), Qt::CaseInsensitive) == 0)
            unregister = true;
        else
            libraries.append(a);
    }
    QTextStream err(stderr), out(stdout);
    if (libraries.isEmpty()) {
        if (!silent)
            err << "usage: regsvr32 [/s] [/u] LIBRARY.so...\n";
        return 2;
    }
    int rc = 0;
    for (const QString& lib : libraries) {
        QString error;
        const bool ok = unregister ? fragdeck::unregisterComponentLibrary(lib, &error)
                                   : fragdeck::registerComponentLibrary(lib, &error);
        if (!ok) {
            rc = 3;
            if (!silent)
                err << "regsvr32: " << error << "\n";
        } else if (!silent) {
            out << (unregister ? "Unregistered " : "Registered ") << lib << "\n";
        }
    }
    return rc;
}
