#include "LauncherWindows.h"

#include "AboutWindow.h"
#include "CartoonWindow.h"
#include "OptionsWindow.h"
#include "QuickConnectWindow.h"
#include "WindowSettings.h"
#include "core/Paths.h"
#include "core/Settings.h"

namespace fragdeck::launcher
{
namespace
{

QString option(const char* key, const char* fallback)
{
    const QString value = GetSetting(QStringLiteral("Fragdeck"), QStringLiteral("Options"),
                                     QLatin1String(key), QLatin1String(fallback))
                              .trimmed();
    return value.isEmpty() ? QLatin1String(fallback) : value;
}

} // namespace

LauncherState& launcherState()
{
    static LauncherState state;
    return state;
}

QString makerWebAddress()
{
    return option("maker address", "https://www.ravelinsoftware.com/fragdeck/");
}

QString updateServer()
{
    return option("update server", "updates.ravelinsoftware.com");
}

QString cartoonServer()
{
    return option("cartoon server", "www.userfriendly.org");
}

QString downloadFolder()
{
    return userDataFolder();
}

void showOptions(QWidget* parent)
{
    OptionsWindow window(parent);
    window.exec();
}

void showQuickConnect(QWidget* parent)
{
    QuickConnectWindow window(parent);
    window.exec();
}

void showAbout(QWidget* parent)
{
    AboutWindow window(parent);
    window.exec();
}

void showCartoon(QWidget* parent)
{
    CartoonWindow window(parent);
    window.exec();
}

} // namespace fragdeck::launcher
