#pragma once
// The launcher's rules that need no window: registration command lines, the installation
// list slot, status texts, theme folders and colours, icon pictures, resize geometry.
#include <QList>
#include <QString>
#include <QStringList>

namespace fragdeck::launcher
{

// Application and section of the launcher's own settings.
QString optionsApp();     // "Fragdeck"
QString optionsSection(); // "Options"
QString option(const QString& key, const QString& defaultValue = QString());
void saveOption(const QString& key, const QString& value);

// ---- registration ----
// The component libraries in registration order (".so" on this desktop).
QStringList registeredLibraries();
// The command lines RegisterDLL starts, in order ("regsvr32 /s tunedesk.so", ...).
QStringList registrationCommandLines();
// Starts the registration tool for every library, hidden, without waiting, in
// programFolder + "/system". Outcomes are not examined.
void registerComponents(const QString& programFolder);
// The options window's auto-repair: registers every component library present in the
// program folder's system folder, waiting for each, and says how many were registered.
QString repairComponents(const QString& programFolder);

// ---- the maker's installation list ----
// The product page for the installation list: the maker's web address, ending in "/".
QString productPageAddress(const QString& makerAddress);
// The slot this product writes: the first whose title is empty or "Fragdeck".
int installInfoSlot();
// Writes title, path, version (first line of "version.dat") and uplink into that slot;
// returns the slot.
int writeInstallInfo(const QString& programFolder, const QString& uplink);

// ---- status texts ----
QString welcomeText(const QString& makerAddress);
// The status text after a click on the icon with this key (empty for an unknown key).
QString itemStatusText(const QString& key);
// A menu item's text as the menu hook reads it: blanks trimmed, the first "&" removed.
QString menuItemText(const QString& caption);
// The status text while a menu item with this (already cleaned) text is highlighted;
// empty for any other text (menu titles, theme names), which shows the welcome text.
QString menuStatusText(const QString& itemText);

// ---- tools ----
enum class ToolKind { Component, ExternalBrowser, Options, About, QuickConnect, Cartoon };
struct Tool {
    ToolKind kind = ToolKind::Component;
    QString progId;         // for components
    bool hourglass = false; // pointer set to the hourglass around creation and main
};
// What the icon with this key does; the keys are compared in the listed order.
QStringList iconActionOrder();
bool toolForIconKey(const QString& key, Tool* tool);

// ---- themes ----
struct IconItem {
    QString key;
    QString text;
};
QList<IconItem> iconItems(); // the nine items in list order

QString themesFolder(const QString& programFolder);
// Theme folder names in listing order (case-insensitive name order).
QStringList themeFolders(const QString& programFolder);
// True when the theme's folder holds at least one ordinary file.
bool themeUsable(const QString& programFolder, const QString& theme);
// The theme InitIcons shows: `current` when usable, else the first theme folder (empty
// when there is none). *changed tells whether it differs from `current`.
QString resolveTheme(const QString& programFolder, const QString& current, bool* changed);
// The ten theme menu captions ("-Unused-" for the items without a theme).
QStringList themeMenuCaptions(const QString& programFolder);
QString unusedThemeCaption();

// The caption colour of a "colors.txt": three lines red, green, blue. A missing file,
// fewer than three lines or a line that is not a whole number give white; numbers are
// clamped to 0..255. The colour as a QRgb.
quint32 readThemeColor(const QString& path, bool* ok = nullptr);

// The picture files AddIcon adds after "launch.ico" ("start"): (file name, key), in order.
QList<std::pair<QString, QString>> iconFiles();

struct IconPicture {
    QString key;
    QString file; // full path; the theme's "launch.ico" when the item's own is missing
};
// The pictures of a theme in the order they are added: "start" first, then the others.
QList<IconPicture> iconPictures(const QString& programFolder, const QString& theme);

// ---- window geometry (twips) ----
struct ResizePlan {
    int width = 0, height = 0;         // the window after the snap
    bool snapped = false;              // the window must be resized to width x height
    int listWidth = 0, listHeight = 0; // iconlist
    int imageWidth = 0, imageHeight = 0;
};
constexpr int minimumWindowTwips = 1500;
ResizePlan planResize(int widthTwips, int heightTwips, int statusBarHeightTwips);

} // namespace fragdeck::launcher
