// Writes COUNT keys "KEYPREFIX0".. under Fragdeck/Options, each its own write, for the
// concurrent-writers tests; exits 1 at the first write that fails.
#include "Settings.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString prefix = app.arguments().value(1);
    const int count = app.arguments().value(2).toInt();
    for (int i = 0; i < count; ++i)
        if (!fragdeck::SaveSetting(QStringLiteral("Fragdeck"), QStringLiteral("Options"),
                                   prefix + QString::number(i), QString::number(i)))
            return 1;
    return 0;
}
