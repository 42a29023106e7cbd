// Writes COUNT keys "KEYPREFIX0".. under Fragdeck/Options, each its own write, for the
// concurrent-writers tests; exits 1 at the first write that fails. With a third argument
// "go" it first waits for a line on its input, so that many writers start at one moment.
#include "core/Settings.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString prefix = app.arguments().value(1);
    const int count = app.arguments().value(2).toInt();
    if (app.arguments().value(3) == QLatin1String("go")) {
        char line[8];
        if (!std::fgets(line, sizeof line, stdin))
            return 2;
    }
    for (int i = 0; i < count; ++i)
        if (!fragdeck::SaveSetting(QStringLiteral("Fragdeck"), QStringLiteral("Options"),
                                   prefix + QString::number(i), QString::number(i)))
            return 1;
    return 0;
}
