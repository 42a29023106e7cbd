#include "OpenInBrowser.h"

#include "core/Desktop.h"
#include "core/Process.h"
#include "gui/Prompts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QWidget>

namespace fragdeck
{
namespace
{

// Writes the probe file fresh. An old file (or a link someone planted under that name in
// the shared temporary folder) is removed first and the new one is created exclusively,
// so nothing outside the file itself is ever written through it.
void writeProbeFile()
{
    const QString path = browserProbeFile();
    QFile::remove(path);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return; // only a hint for the look-up; the opener below does not need it
    f.write("\" <\\HTML>\"\r\n");
}

} // namespace

QString browserProbeFile()
{
    return QDir::tempPath() + QStringLiteral("/temphtm.HTM");
}

void OpenInBrowser(const QString& address, QWidget* owner)
{
    writeProbeFile();
    const QString browser = findUrlOpener().trimmed();
    if (browser.isEmpty()) {
        messageBox(QStringLiteral("Could not find a browser"), defaultTitle(), Buttons::Ok,
                   Icon::None, owner);
        return;
    }
    // A leading "-" would be read as an option of the opener, not as an address.
    const QString target = address.trimmed();
    bool started = false;
    if (!target.isEmpty() && !target.startsWith(u'-')) {
        // xdg-open is there with the package even where no browser is; it says so by
        // ending with 3 ("a required tool could not be found"), any failure by not 0.
        const bool xdgOpen = QFileInfo(browser).fileName() == QLatin1String("xdg-open");
        QPointer<QWidget> window(owner);
        started = startProgramWatched(browser, {address}, [window, xdgOpen](int code) {
            if (code == 0)
                return;
            messageBox(xdgOpen && code == 3 ? QStringLiteral("Could not find a browser")
                                            : QStringLiteral("Web Page not Opened"),
                       defaultTitle(), Buttons::Ok, Icon::None, window.data());
        });
    }
    if (!started)
        messageBox(QStringLiteral("Web Page not Opened"), defaultTitle(), Buttons::Ok, Icon::None,
                   owner);
}

} // namespace fragdeck
