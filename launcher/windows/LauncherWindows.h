#pragma once
// The launcher's own small windows and the state its windows share.
#include <QString>
#include <functional>

class QWidget;

namespace fragdeck::launcher
{

// Launcher-wide state shared by the launcher's windows; all empty at load.
struct LauncherState {
    QString Q3Path;            // setting "Q3path"
    QString CurrentTheme;      // setting "theme"
    QString ServerBrowserPath; // setting "server browser"
    // The main window's RegisterDLL, run at the first start.
    std::function<void()> registerDll;
    // The options window's "Auto-repair Fragdeck": registers and says what it did.
    std::function<QString()> autoRepair;
};
LauncherState& launcherState();

// The maker's web address (welcome text, about window).
QString makerWebAddress();

// Each shows its window modally and returns when it closes.
void showOptions(QWidget* parent);      // frm_options
void showQuickConnect(QWidget* parent); // frm_quickconnect
void showAbout(QWidget* parent);        // frm_about (also the update check)
void showCartoon(QWidget* parent);      // frmFriendly

} // namespace fragdeck::launcher
