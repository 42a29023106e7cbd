#include "LauncherLogic.h"

#include "core/Paths.h"
#include "core/Process.h"
#include "core/Settings.h"
#include "core/TextFile.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace fragdeck::launcher
{
namespace
{

using TextTable = QList<std::pair<const char*, const char*>>;

// The text `key` has in `table`; empty for a key it does not list.
QString textFor(const TextTable& table, const QString& key)
{
    for (const auto& [k, t] : table)
        if (key == QLatin1String(k))
            return QLatin1String(t);
    return QString();
}

} // namespace

QString optionsApp()
{
    return QStringLiteral("Fragdeck");
}

QString optionsSection()
{
    return QStringLiteral("Options");
}

QString option(const QString& key, const QString& defaultValue)
{
    return GetSetting(optionsApp(), optionsSection(), key, defaultValue);
}

void saveOption(const QString& key, const QString& value)
{
    SaveSetting(optionsApp(), optionsSection(), key, value);
}

QStringList registeredLibraries()
{
    // Key binder, dial-up optimiser and the picture library are not built here; their
    // registrations are still issued and simply fail when the file is missing.
    return {QStringLiteral("tunedesk.so"),   QStringLiteral("glyphtag.so"),
            QStringLiteral("bindwright.so"), QStringLiteral("linkshelf.so"),
            QStringLiteral("linetune.so"),   QStringLiteral("crateview.so"),
            QStringLiteral("scoutlink.so"),  QStringLiteral("NViewLib.so"),
            QStringLiteral("kickgate.so"),   QStringLiteral("reelgate.so"),
            QStringLiteral("beaconlist.so"), QStringLiteral("wardhold.so")};
}

QStringList registrationCommandLines()
{
    QStringList out;
    for (const QString& lib : registeredLibraries())
        out.append(QStringLiteral("regsvr32 /s ") + lib);
    return out;
}

void registerComponents(const QString& programFolder)
{
    const QString system = programFolder + QStringLiteral("/system");
    for (const QString& lib : registeredLibraries())
        startProgram(QStringLiteral("regsvr32"), QStringLiteral(" /s ") + lib, system,
                     WindowMode::Hidden);
}

QString repairComponents(const QString& programFolder)
{
    const QString system = programFolder + QStringLiteral("/system");
    int present = 0, registered = 0;
    QStringList failed;
    for (const QString& lib : registeredLibraries()) {
        if (!QFileInfo::exists(system + u'/' + lib))
            continue; // not built here: nothing to repair
        ++present;
        int exitCode = -1;
        if (runProgram(QStringLiteral("regsvr32"), QStringLiteral(" /s ") + lib, system, 20000,
                       &exitCode) &&
            exitCode == 0)
            ++registered;
        else
            failed.append(lib);
    }
    if (present == 0)
        return QStringLiteral("Auto-repair found no components in %1.").arg(system);
    QString text =
        QStringLiteral("Auto-repair registered %1 of %2 components.").arg(registered).arg(present);
    if (!failed.isEmpty())
        text += QStringLiteral(" Not registered: %1.").arg(failed.join(QStringLiteral(", ")));
    return text;
}

QString productPageAddress(const QString& makerAddress)
{
    // The maker's address already names this product's page.
    QString a = makerAddress;
    if (!a.endsWith(u'/'))
        a += u'/';
    return a;
}

namespace
{
const QString installApp = QStringLiteral("Ravelin");
const QString installSection = QStringLiteral("InstallInfo");
} // namespace

int installInfoSlot()
{
    for (int n = 0;; ++n) {
        const QString title =
            GetSetting(installApp, installSection, QString::number(n) + QStringLiteral("title"));
        if (title.isEmpty() || title == QLatin1String("Fragdeck"))
            return n;
    }
}

int writeInstallInfo(const QString& programFolder, const QString& uplink)
{
    const QString version =
        readFirstLine(toLocalPath(programFolder + QStringLiteral("\\version.dat")));
    const int n = installInfoSlot();
    const QString p = QString::number(n);
    SaveSetting(installApp, installSection, p + QStringLiteral("title"),
                QStringLiteral("Fragdeck"));
    SaveSetting(installApp, installSection, p + QStringLiteral("path"), programFolder);
    SaveSetting(installApp, installSection, p + QStringLiteral("version"), version);
    SaveSetting(installApp, installSection, p + QStringLiteral("uplink"), uplink);
    return n;
}

QString welcomeText(const QString& makerAddress)
{
    return QStringLiteral("Welcome to Fragdeck, visit Ravelin Software at: ") + makerAddress;
}

QString itemStatusText(const QString& key)
{
    static const TextTable texts = {
        {"start", "Launch Q3A, join a server or play demos"},
        {"browser", "Launch server browser"},
        {"options", "Configure Fragdeck options"},
        {"config", "Edit the q3config file"},
        {"glyphtag", "Create your own personalized Glyphtag"},
        {"update", "Check for new updates for Fragdeck"},
        {"bind", "Bind your keys to specific commands"},
        {"dialup", "Optimize your dial-up connection and reduce lag."},
        {"explo", "View the contents of PK3 files."},
    };
    return textFor(texts, key);
}

QString menuItemText(const QString& caption)
{
    QString t = caption.trimmed();
    const qsizetype amp = t.indexOf(u'&');
    if (amp >= 0)
        t.remove(amp, 1);
    while (t.endsWith(QChar(0)))
        t.chop(1);
    return t;
}

QString menuStatusText(const QString& itemText)
{
    static const TextTable texts = {
        {"Server Browser", "Fragdeck's built-in server browser."},
        {"Quick Connect", "Quickly connect to a Quake3 server."},
        {"Start server", "Start your own Quake3 server."},
        {"View demos", "Watch recorded Quake3 demos."},
        {"Exit", "Quit Fragdeck."},
        {"Config Editor", "Config Editor: change your settings, tweak your graphics and "
                          "optimize your network options."},
        {"Key binder", "Fragdeck's userfriendly keybinder."},
        {"Glyphtag", "Create your own colored Glyphtag."},
        {"Fragdeck Options", "Configure Fragdeck."},
        {"Fullscreen", "Toggle Fragdeck fullscreen mode."},
        {"Crateview", "Crateview lets you view the contents of pk3 files."},
        {"Remote Admin", "Remote server administrator."},
        {"Dial-up Optimizer", "Optimize your dial-up connection and reduce lag up to 30%."},
        {"External server browser", "Launch your favourite server browser."},
        {"Check for updates", "Check if there are updates available for Fragdeck."},
        {"Useful links", "A collection of links to Quake-related sites."},
        {"User Friendly Cartoon", "View the current UF cartoon."},
        {"About", "About Fragdeck."},
    };
    return textFor(texts, itemText);
}

QStringList iconActionOrder()
{
    return {QStringLiteral("glyphtag"), QStringLiteral("config"), QStringLiteral("bind"),
            QStringLiteral("explo"),    QStringLiteral("dialup"), QStringLiteral("options"),
            QStringLiteral("start"),    QStringLiteral("update"), QStringLiteral("browser")};
}

bool toolForIconKey(const QString& key, Tool* tool)
{
    static const QList<std::pair<const char*, Tool>> tools = {
        {"glyphtag", {ToolKind::Component, QStringLiteral("base.glyphtag"), false}},
        {"config", {ToolKind::Component, QStringLiteral("config.class"), true}},
        {"bind", {ToolKind::Component, QStringLiteral("bindwright.class"), true}},
        {"explo", {ToolKind::Component, QStringLiteral("crateview.class"), true}},
        {"dialup", {ToolKind::Component, QStringLiteral("linetune.entry"), true}},
        {"options", {ToolKind::Options, QString(), false}},
        {"start", {ToolKind::Component, QStringLiteral("kickgate.Class"), true}},
        {"update", {ToolKind::About, QString(), false}},
        {"browser", {ToolKind::ExternalBrowser, QString(), false}},
    };
    for (const auto& [k, t] : tools) {
        if (key == QLatin1String(k)) {
            *tool = t;
            return true;
        }
    }
    return false;
}

QList<IconItem> iconItems()
{
    return {{QStringLiteral("start"), QStringLiteral("Start")},
            {QStringLiteral("browser"), QStringLiteral("Server Browser")},
            {QStringLiteral("config"), QStringLiteral("Q3A Config Editor")},
            {QStringLiteral("glyphtag"), QStringLiteral("Create Glyphtag")},
            {QStringLiteral("bind"), QStringLiteral("Key Binds")},
            {QStringLiteral("explo"), QStringLiteral("Crateview")},
            {QStringLiteral("dialup"), QStringLiteral("Dial-up Optimizer")},
            {QStringLiteral("options"), QStringLiteral("Fragdeck Options")},
            {QStringLiteral("update"), QStringLiteral("Check for updates")}};
}

QString themesFolder(const QString& programFolder)
{
    return toLocalPath(programFolder + QStringLiteral("\\themes"));
}

QStringList themeFolders(const QString& programFolder)
{
    const QDir d(themesFolder(programFolder));
    return d.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
}

bool themeUsable(const QString& programFolder, const QString& theme)
{
    if (theme.isEmpty())
        return false;
    const QDir d(themesFolder(programFolder) + u'/' + theme);
    return !d.entryList(QDir::Files | QDir::Hidden).isEmpty();
}

QString resolveTheme(const QString& programFolder, const QString& current, bool* changed)
{
    QString theme = current;
    if (!themeUsable(programFolder, current)) {
        const QStringList folders = themeFolders(programFolder);
        if (!folders.isEmpty())
            theme = folders.first();
    }
    if (changed)
        *changed = theme != current;
    return theme;
}

QString unusedThemeCaption()
{
    return QStringLiteral("-Unused-");
}

QStringList themeMenuCaptions(const QString& programFolder)
{
    QStringList captions(10, unusedThemeCaption());
    const QStringList folders = themeFolders(programFolder);
    const qsizetype last = std::min<qsizetype>(folders.size() - 1, 9);
    for (qsizetype i = 0; i <= last; ++i)
        captions[i] = folders[i];
    return captions;
}

namespace
{
bool wholeNumber(const QString& text, int* value)
{
    bool ok = false;
    const qlonglong v = text.trimmed().toLongLong(&ok);
    if (!ok)
        return false;
    *value = int(std::clamp<qlonglong>(v, 0, 255));
    return true;
}
} // namespace

quint32 readThemeColor(const QString& path, bool* ok)
{
    bool read = false;
    const QStringList lines = readLines(toLocalPath(path), &read);
    int rgb[3] = {255, 255, 255};
    bool good = read && lines.size() >= 3;
    for (int i = 0; good && i < 3; ++i)
        good = wholeNumber(lines[i], &rgb[i]);
    if (ok)
        *ok = good;
    if (!good)
        rgb[0] = rgb[1] = rgb[2] = 255;
    return 0xff000000u | quint32(rgb[0]) << 16 | quint32(rgb[1]) << 8 | quint32(rgb[2]);
}

QList<std::pair<QString, QString>> iconFiles()
{
    QList<std::pair<QString, QString>> out;
    for (const char* key :
         {"browser", "config", "glyphtag", "options", "update", "bind", "dialup", "explo"})
        out.append({QLatin1String(key) + QStringLiteral(".ico"), QLatin1String(key)});
    return out;
}

QList<IconPicture> iconPictures(const QString& programFolder, const QString& theme)
{
    const QString folder = themesFolder(programFolder) + u'/' + theme + u'/';
    const QString launch = folder + QStringLiteral("launch.ico");
    QList<IconPicture> out{{QStringLiteral("start"), launch}};
    for (const auto& [file, key] : iconFiles()) {
        const QString own = folder + file;
        out.append({key, QFileInfo::exists(own) ? own : launch});
    }
    return out;
}

ResizePlan planResize(int widthTwips, int heightTwips, int statusBarHeightTwips)
{
    ResizePlan p;
    p.width = std::max(widthTwips, minimumWindowTwips);
    p.height = std::max(heightTwips, minimumWindowTwips);
    p.snapped = p.width != widthTwips || p.height != heightTwips;
    p.listWidth = std::max(0, p.width - 140);
    p.listHeight = std::max(0, p.height - statusBarHeightTwips - 440 - 250);
    p.imageWidth = p.width;
    p.imageHeight = std::max(0, p.height - 200 - 350);
    return p;
}

} // namespace fragdeck::launcher
