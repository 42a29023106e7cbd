#include "Form1.h"

#include "LauncherLogic.h"
#include "LauncherWindows.h"
#include "SearchWindow.h"
#include "core/Activation.h"
#include "core/Clock.h"
#include "core/Desktop.h"
#include "core/Error.h"
#include "core/GameInstall.h"
#include "core/Paths.h"
#include "core/Process.h"
#include "core/Settings.h"
#include "gui/Prompts.h"
#include "gui/Sound.h"
#include "gui/Twips.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <cmath>
#include <optional>

namespace fragdeck::launcher
{
namespace
{

QString programPath(const char* relative)
{
    return toLocalPath(programFolder() + QLatin1String(relative));
}

// A theme without the picture shows the item without one.
QIcon pictureOf(const QString& file)
{
    return QFileInfo::exists(file) ? QIcon(file) : QIcon();
}

short toShort(double v)
{
    return short(std::clamp(std::lround(v), -32768L, 32767L));
}

} // namespace

Form1::Form1(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowIcon(QIcon(programPath("/system/fragdeck.png")));

    // Auto-repair in the options window runs the same registration.
    launcherState().registerDll = [] { registerComponents(programFolder()); };
    launcherState().autoRepair = [] { return repairComponents(programFolder()); };

    auto* body = new QWidget(this);
    body->setObjectName(QStringLiteral("body"));
    body->setAutoFillBackground(true);
    QPalette bodyPalette = body->palette();
    bodyPalette.setColor(QPalette::Window, QColor(18, 16, 14));
    body->setPalette(bodyPalette);
    setCentralWidget(body);

    m_image1 = new QLabel(body);
    m_image1->setObjectName(QStringLiteral("Image1"));
    m_image1->setScaledContents(true);

    m_iconlist = new QListWidget(body);
    m_iconlist->setObjectName(QStringLiteral("iconlist"));
    m_iconlist->setViewMode(QListView::IconMode);
    m_iconlist->setFlow(QListView::LeftToRight);
    m_iconlist->setWrapping(true);
    m_iconlist->setResizeMode(QListView::Adjust);
    m_iconlist->setMovement(QListView::Static);
    m_iconlist->setIconSize(QSize(64, 64));
    m_iconlist->setGridSize(QSize(128, 112));
    m_iconlist->setSpacing(8);
    m_iconlist->setWordWrap(true);
    m_iconlist->setFrameShape(QFrame::NoFrame);
    m_iconlist->viewport()->installEventFilter(this);
    connect(m_iconlist, &QListWidget::itemClicked, this, &Form1::on_iconlist_itemClicked);

    m_statusBar1 = new QStatusBar(this);
    m_statusBar1->setObjectName(QStringLiteral("StatusBar1"));
    m_statusBar1->setSizeGripEnabled(false);
    setStatusBar(m_statusBar1);

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setSingleShot(true);
    connect(m_timer1, &QTimer::timeout, this, &Form1::on_Timer1_timeout);
    m_timer2 = new QTimer(this);
    m_timer2->setObjectName(QStringLiteral("Timer2"));
    m_timer2->setSingleShot(true);
    connect(m_timer2, &QTimer::timeout, this, &Form1::on_Timer2_timeout);

    buildMenus();

    // Menus and status bar in the dark of the themes rather than the desktop's light grey.
    QPalette dark = palette();
    dark.setColor(QPalette::Window, QColor(28, 24, 21));
    dark.setColor(QPalette::Base, QColor(28, 24, 21));
    dark.setColor(QPalette::WindowText, QColor(230, 214, 190));
    dark.setColor(QPalette::Text, QColor(230, 214, 190));
    dark.setColor(QPalette::ButtonText, QColor(230, 214, 190));
    dark.setColor(QPalette::Button, QColor(40, 34, 30));
    dark.setColor(QPalette::Highlight, QColor(170, 90, 20));
    dark.setColor(QPalette::HighlightedText, QColor(255, 240, 220));
    dark.setColor(QPalette::Disabled, QPalette::Text, QColor(110, 100, 90));
    dark.setColor(QPalette::Disabled, QPalette::WindowText, QColor(110, 100, 90));
    menuBar()->setPalette(dark);
    menuBar()->setAutoFillBackground(true);
    for (QMenu* m : std::as_const(m_menus)) {
        m->setPalette(dark);
        // The style's own separator is all but invisible on this dark: a line of its own.
        m->setStyleSheet(QStringLiteral(
            "QMenu::separator { height: 1px; background: #6e645a; margin: 4px 10px; }"));
    }
    m_statusBar1->setPalette(dark);
    m_statusBar1->setAutoFillBackground(true);

    // Created borderless, maximised and without caption: the full-screen mode.
    setWindowFlag(Qt::FramelessWindowHint, true);
    setWindowTitle(QString());
    setWindowState(Qt::WindowMaximized);
}

Form1::~Form1()
{
    UnhookMenuSelect();
}

QAction* Form1::addItem(QMenu* menu, const char* name, const QString& caption)
{
    QAction* a = menu->addAction(caption);
    a->setObjectName(QLatin1String(name));
    return a;
}

void Form1::buildMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("menubar"));
    auto menu = [this, bar](const char* name, const QString& caption) {
        QMenu* m = bar->addMenu(caption);
        m->setObjectName(QLatin1String(name));
        m->menuAction()->setObjectName(QLatin1String(name));
        m_menus.append(m);
        return m;
    };
    auto sep = [](QMenu* m, const char* name) {
        m->addSeparator()->setObjectName(QLatin1String(name));
    };
    auto component = [this](QAction* a, const char* progId, bool hourglass) {
        const QString id = QLatin1String(progId);
        connect(a, &QAction::triggered, this,
                [this, id, hourglass] { activateFromMenu(id, hourglass); });
    };
    auto window = [this](QAction* a, void (*show)(QWidget*)) {
        connect(a, &QAction::triggered, this, [this, show] {
            try {
                show(this);
            } catch (const std::exception&) {
                showAutoRepairMessage();
            }
        });
    };

    QMenu* mp = menu("mp", QStringLiteral("&Multiplayer"));
    component(addItem(mp, "serverbrowser", QStringLiteral("&Server Browser")), "beaconlist.Class",
              true);
    window(addItem(mp, "quickconnect", QStringLiteral("&Quick Connect")), &showQuickConnect);
    sep(mp, "sep5");
    component(addItem(mp, "startserver", QStringLiteral("Start server")), "kickgate.Class", true);
    component(addItem(mp, "viewdemos", QStringLiteral("&View demos")), "reelgate.Class", true);
    sep(mp, "sep1");
    connect(addItem(mp, "exit", QStringLiteral("E&xit")), &QAction::triggered, this,
            &QWidget::close);

    QMenu* opt = menu("opt", QStringLiteral("&Options"));
    component(addItem(opt, "configeditor", QStringLiteral("&Config Editor")), "config.class", true);
    component(addItem(opt, "keybinder", QStringLiteral("&Key binder")), "bindwright.class", true);
    component(addItem(opt, "glyphtag", QStringLiteral("&Glyphtag")), "base.glyphtag", false);
    sep(opt, "sep4");
    window(addItem(opt, "fragdeckoptions", QStringLiteral("&Fragdeck Options")), &showOptions);
    m_fullscreen = addItem(opt, "fullscreen", QStringLiteral("&Fullscreen"));
    m_fullscreen->setCheckable(true);
    m_fullscreen->setChecked(true);
    connect(m_fullscreen, &QAction::triggered, this, &Form1::on_fullscreen_triggered);

    QMenu* tools = menu("tools", QStringLiteral("&Tools"));
    component(addItem(tools, "crateview", QStringLiteral("&Crateview")), "crateview.class", true);
    component(addItem(tools, "remoteadmin", QStringLiteral("&Remote Admin")), "wardhold.class",
              true);
    component(addItem(tools, "dialup", QStringLiteral("&Dial-up Optimizer")), "linetune.entry",
              true);
    connect(addItem(tools, "extbrowser", QStringLiteral("E&xternal server browser")),
            &QAction::triggered, this, [this] {
                try {
                    runExternalBrowser();
                } catch (const std::exception&) {
                    showAutoRepairMessage();
                }
            });
    sep(tools, "sep2");
    window(addItem(tools, "checkupdate", QStringLiteral("Check for updates")), &showAbout);
    sep(tools, "sep3");
    component(addItem(tools, "file2", QStringLiteral("&Useful links")), "linkshelf.class", false);
    window(addItem(tools, "file3", QStringLiteral("&User Friendly Cartoon")), &showCartoon);

    QMenu* help = menu("help", QStringLiteral("&Help"));
    window(addItem(help, "help1", QStringLiteral("&About")), &showAbout);

    // A pop-up over the icon list, and the same entries under Options; the current theme
    // is ticked in both.
    m_themes = new QMenu(QStringLiteral("themes"), this);
    m_themes->setObjectName(QStringLiteral("themes"));
    m_menus.append(m_themes);
    QMenu* optThemes = opt->addMenu(QStringLiteral("&Themes"));
    optThemes->setObjectName(QStringLiteral("optthemes"));
    m_menus.append(optThemes);
    auto* popupGroup = new QActionGroup(this);
    auto* optionsGroup = new QActionGroup(this);
    for (int i = 0; i < 10; ++i) {
        for (QMenu* m : {m_themes, optThemes}) {
            QAction* a = m->addAction(unusedThemeCaption());
            a->setObjectName(QStringLiteral("th"));
            a->setProperty("index", i);
            a->setCheckable(true);
            (m == m_themes ? popupGroup : optionsGroup)->addAction(a);
            connect(a, &QAction::triggered, this, [this, i] { on_th_triggered(i); });
            (m == m_themes ? m_th : m_optionsTh).append(a);
        }
    }
}

void Form1::load()
{
    HookMenuSelect();
    const QPixmap back(programPath("/system/q3aback.jpg"));
    if (!back.isNull())
        m_image1->setPixmap(back);
    showFullScreenMode();
    QCoreApplication::processEvents();
    repaint();
    m_timer2->start(1);
    launcherState().CurrentTheme = option(QStringLiteral("theme"), QStringLiteral("Default"));
    WriteInstallInfo();
    InitIcons();
    InitThemes();
    playWave(programPath("/system/intro.wav"), 0);
}

// ---- start-up ----

void Form1::on_Timer2_timeout()
{
    m_timer2->stop();
    LauncherState& state = launcherState();
    state.Q3Path = option(QStringLiteral("Q3path"));
    if (state.Q3Path.isEmpty()) {
        searchDrives();
        LocatorShared& shared = locatorShared();
        const bool found =
            !shared.FoundFolder.isEmpty() && shared.FoundFolder != GameLocator::cancelledMarker();
        if (found) {
            const QString program = shared.FoundFolder + shared.FoundProgram;
            saveOption(QStringLiteral("Q3path"), program);
            saveOption(QStringLiteral("ConfigPath"), configPathFor(program));
        } else {
            messageBox(QStringLiteral("Quake3 could not be found on your computer. Go to "
                                      "'Fragdeck Options' and give in the paths manually."),
                       QStringLiteral("Quake3 not found"), Buttons::Ok, Icon::Information, this);
        }
    }
    CheckFirstRun();
    m_deferredDone = true;
    Q_EMIT deferredStepFinished();
}

void Form1::searchDrives()
{
    LocatorShared& shared = locatorShared();
    const QStringList drives = driveList();
    for (qsizetype i = 1; i < drives.size(); ++i) {
        shared.FoundFolder.clear();
        shared.FoundProgram.clear();
        shared.SearchStart = drives[i];
        shared.SearchFile = QStringLiteral("quake3.exe");
        m_timer1->start(1);
        shared.Searching = true;
        while (shared.Searching)
            pumpEvents(100);
        if (shared.FoundFolder == GameLocator::cancelledMarker())
            break; // the user will give the paths in the options window
        if (!shared.FoundFolder.isEmpty()) {
            messageBox(QStringLiteral("Quake3 found here: '") + shared.FoundFolder +
                           shared.FoundProgram + QStringLiteral("'"),
                       QStringLiteral("Quake3 found"), Buttons::Ok, Icon::Information, this);
            break;
        }
    }
}

void Form1::on_Timer1_timeout()
{
    m_timer1->stop();
    SearchWindow search(this);
    search.exec();
    // The window ends its own search; make sure the drive loop never waits forever.
    locatorShared().Searching = false;
}

void Form1::CheckFirstRun()
{
    if (option(QStringLiteral("Firstrun_v6"), QStringLiteral("1")) == QLatin1String("1")) {
        saveOption(QStringLiteral("Firstrun_v6"), QStringLiteral("0"));
        RegisterDLL();
        messageBox(QStringLiteral("This is the first time you run Fragdeck.\r\nYou will have to "
                                  "configure Fragdeck first by going to 'Options - Fragdeck "
                                  "Options'."),
                   QStringLiteral("Fragdeck"), Buttons::Ok, Icon::Information, this);
    }
    LauncherState& state = launcherState();
    state.Q3Path = option(QStringLiteral("Q3path"));
    state.CurrentTheme = option(QStringLiteral("theme"), QStringLiteral("Default"));
    state.ServerBrowserPath = option(QStringLiteral("server browser"));
}

void Form1::RegisterDLL()
{
    registerComponents(programFolder());
}

void Form1::WriteInstallInfo()
{
    writeInstallInfo(programFolder(), productPageAddress(makerWebAddress()));
}

// ---- icons and themes ----

void Form1::InitIcons()
{
    WaitCursor hourglass;
    LauncherState& state = launcherState();
    bool changed = false;
    const QString theme = resolveTheme(programFolder(), state.CurrentTheme, &changed);
    if (changed) {
        state.CurrentTheme = theme;
        saveOption(QStringLiteral("Theme"), theme);
    }
    const QString folder = themesFolder(programFolder()) + u'/' + state.CurrentTheme + u'/';

    QPalette pal = m_iconlist->palette();
    const QColor caption(readThemeColor(folder + QStringLiteral("colors.txt")));
    pal.setColor(QPalette::Text, caption);
    pal.setColor(QPalette::HighlightedText, caption);
    pal.setColor(QPalette::Highlight, QColor(255, 255, 255, 48));
    const QPixmap back(folder + QStringLiteral("back.jpg"));
    if (!back.isNull())
        pal.setBrush(QPalette::Base, QBrush(back)); // a pixmap brush tiles
    else
        pal.setBrush(QPalette::Base, QColor(24, 22, 20));
    m_iconlist->setPalette(pal);
    m_iconlist->viewport()->setPalette(pal);
    QFont f = m_iconlist->font();
    f.setBold(true);
    m_iconlist->setFont(f);

    const QString launch = folder + QStringLiteral("launch.ico");
    m_imagelist.insert(QStringLiteral("start"), pictureOf(launch));
    m_imageFiles.insert(QStringLiteral("start"), launch);
    for (const auto& [file, key] : iconFiles())
        AddIcon(file, key);
    for (const IconItem& item : iconItems()) {
        auto* it = new QListWidgetItem(m_imagelist.value(item.key), item.text, m_iconlist);
        it->setData(Qt::UserRole, item.key);
        it->setTextAlignment(Qt::AlignHCenter | Qt::AlignTop);
    }
    setStatus(welcomeText(makerWebAddress()));
}

void Form1::AddIcon(const QString& iconame, const QString& keyw)
{
    const QString folder = toLocalPath(programFolder() + QStringLiteral("/themes/") +
                                       launcherState().CurrentTheme + u'/');
    QString file = folder + iconame;
    if (!QFileInfo::exists(file))
        file = folder + QStringLiteral("launch.ico");
    m_imagelist.insert(keyw, pictureOf(file));
    m_imageFiles.insert(keyw, file);
}

void Form1::KillIcons()
{
    m_iconlist->clear();
    m_imagelist.clear();
    m_imageFiles.clear();
}

void Form1::InitThemes()
{
    const QStringList captions = themeMenuCaptions(programFolder());
    for (const QList<QAction*>* list : {&m_th, &m_optionsTh}) {
        for (QAction* a : *list) {
            a->setText(captions.value(a->property("index").toInt(), unusedThemeCaption()));
            a->setEnabled(a->text() != unusedThemeCaption());
        }
    }
    markCurrentTheme();
}

void Form1::markCurrentTheme()
{
    for (const QList<QAction*>* list : {&m_th, &m_optionsTh})
        for (QAction* a : *list)
            a->setChecked(a->isEnabled() && a->text() == launcherState().CurrentTheme);
}

void Form1::on_th_triggered(int index)
{
    const QString caption = m_th.value(index) ? m_th[index]->text() : QString();
    if (caption.isEmpty() || caption == unusedThemeCaption())
        return;
    saveOption(QStringLiteral("Theme"), caption);
    launcherState().CurrentTheme = caption;
    KillIcons();
    InitIcons();
    markCurrentTheme();
}

// ---- icon list ----

bool Form1::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == m_iconlist->viewport()) {
        if (e->type() == QEvent::MouseButtonPress) {
            auto* me = static_cast<QMouseEvent*>(e);
            m_lastMouseX = toShort(me->position().x());
            m_lastMouseY = toShort(me->position().y());
            if (me->button() == Qt::RightButton)
                m_themes->popup(me->globalPosition().toPoint());
        } else if (e->type() == QEvent::MouseButtonDblClick) {
            auto* me = static_cast<QMouseEvent*>(e);
            if (me->button() == Qt::LeftButton)
                QTimer::singleShot(0, this, &Form1::on_iconlist_doubleClick);
        }
    }
    return QMainWindow::eventFilter(watched, e);
}

void Form1::on_iconlist_itemClicked(QListWidgetItem* item)
{
    const QString text = itemStatusText(item->data(Qt::UserRole).toString());
    if (!text.isEmpty())
        setStatus(text);
}

void Form1::on_iconlist_doubleClick()
{
    QListWidgetItem* item = m_iconlist->itemAt(m_lastMouseX, m_lastMouseY);
    if (!item)
        return;
    Tool tool;
    if (!toolForIconKey(item->data(Qt::UserRole).toString(), &tool))
        return;
    try {
        switch (tool.kind) {
        case ToolKind::Component:
            activate(tool.progId, tool.hourglass);
            break;
        case ToolKind::ExternalBrowser:
            // The built-in browser, unless the player chose another program in the options.
            if (launcherState().ServerBrowserPath.isEmpty())
                activate(QStringLiteral("beaconlist.Class"), true);
            else
                runExternalBrowser();
            break;
        case ToolKind::Options:
            showOptions(this);
            break;
        case ToolKind::About:
            showAbout(this);
            break;
        case ToolKind::QuickConnect:
            showQuickConnect(this);
            break;
        case ToolKind::Cartoon:
            showCartoon(this);
            break;
        }
    } catch (const std::exception&) {
        showAutoRepairMessage();
    }
}

void Form1::activate(const QString& progId, bool hourglass)
{
    std::optional<WaitCursor> wait;
    if (hourglass)
        wait.emplace();
    std::unique_ptr<QObject> obj = CreateObject(progId);
    CallByName(obj.get(), QStringLiteral("main"));
}

void Form1::activateFromMenu(const QString& progId, bool hourglass)
{
    try {
        activate(progId, hourglass);
    } catch (const std::exception&) {
        showAutoRepairMessage();
    }
}

void Form1::showAutoRepairMessage()
{
    // The hourglass is already back: WaitCursor restores it when the error unwinds.
    messageBox(QStringLiteral("Error encountered, go to Fragdeck Options, click the "
                              "'auto-repair' button and restart Fragdeck."),
               QStringLiteral("Error"), Buttons::Ok, Icon::Error, this);
}

void Form1::runExternalBrowser()
{
    const QString path = launcherState().ServerBrowserPath;
    if (path.isEmpty()) {
        messageBox(QStringLiteral("No server browser installed, go to Fragdeck Options to "
                                  "specify your default server browser."),
                   QStringLiteral("Error"), Buttons::Ok, Icon::Error, this);
        return;
    }
    if (!startProgramArgs(path, QStringList(), folderOf(toLocalPath(path)),
                          WindowMode::NormalFocus))
        messageBox(QStringLiteral("The server browser '") + path +
                       QStringLiteral("' could not be started. Go to Fragdeck Options to "
                                      "specify your default server browser."),
                   QStringLiteral("Error"), Buttons::Ok, Icon::Error, this);
}

// ---- menus ----

void Form1::HookMenuSelect()
{
    if (menuHookInstalled())
        return;
    m_hook.append(connect(menuBar(), &QMenuBar::hovered, this, &Form1::on_menu_hovered));
    for (QMenu* m : std::as_const(m_menus))
        m_hook.append(connect(m, &QMenu::hovered, this, &Form1::on_menu_hovered));
}

void Form1::UnhookMenuSelect()
{
    for (const QMetaObject::Connection& c : std::as_const(m_hook))
        disconnect(c);
    m_hook.clear();
}

void Form1::on_menu_hovered(QAction* action)
{
    if (!action || action->isSeparator())
        return;
    const QString text = menuItemText(action->text());
    if (text.isEmpty())
        return;
    playWave(programPath("/system/beep.wav"), 0);
    const QString status = menuStatusText(text);
    setStatus(status.isEmpty() ? welcomeText(makerWebAddress()) : status);
}

QString Form1::statusText() const
{
    return m_statusBar1->currentMessage();
}

void Form1::setStatus(const QString& text)
{
    m_statusBar1->showMessage(text);
}

bool Form1::event(QEvent* e)
{
    // Qt's own status tips would wipe the status text the menus set.
    if (e->type() == QEvent::StatusTip)
        return true;
    return QMainWindow::event(e);
}

// ---- window ----

void Form1::showFullScreenMode()
{
    // The screen's work area first: without a window manager "maximised" alone does nothing.
    if (QScreen* s = screen())
        setGeometry(s->availableGeometry());
    showMaximized();
}

void Form1::on_fullscreen_triggered()
{
    // The action toggles its check before this runs: act on the state it had.
    const bool wasFullScreen = !m_fullscreen->isChecked();
    if (wasFullScreen) {
        setWindowTitle(QStringLiteral("Fragdeck"));
        setWindowFlag(Qt::FramelessWindowHint, false);
        showNormal();
        const QRect screenRect = screen() ? screen()->geometry() : QRect(0, 0, 1024, 768);
        move(0, 0);
        resize(screenRect.width() / 2, screenRect.height() / 2);
        move((screenRect.width() - width()) / 2, (screenRect.height() - height()) / 2);
        m_fullscreen->setChecked(false);
    } else {
        setWindowTitle(QString());
        setWindowFlag(Qt::FramelessWindowHint, true);
        showFullScreenMode();
        m_fullscreen->setChecked(true);
    }
}

void Form1::resizeEvent(QResizeEvent* e)
{
    QMainWindow::resizeEvent(e);
    if (isMinimized())
        return;
    const ResizePlan plan = planResize(pixelsToTwipsX(width()), pixelsToTwipsY(height()),
                                       pixelsToTwipsY(m_statusBar1->height()));
    if (plan.snapped && !isMaximized() && !isFullScreen()) {
        resize(std::max(width(), twipsToPixelsX(plan.width)),
               std::max(height(), twipsToPixelsY(plan.height)));
        return;
    }
    layoutControls();
}

void Form1::layoutControls()
{
    const ResizePlan plan = planResize(pixelsToTwipsX(width()), pixelsToTwipsY(height()),
                                       pixelsToTwipsY(m_statusBar1->height()));
    m_image1->setGeometry(0, 0, twipsToPixelsX(plan.imageWidth), twipsToPixelsY(plan.imageHeight));
    const int margin = twipsToPixelsX(70);
    m_iconlist->setGeometry(margin, margin, twipsToPixelsX(plan.listWidth),
                            twipsToPixelsY(plan.listHeight));
}

void Form1::closeEvent(QCloseEvent* e)
{
    UnhookMenuSelect();
    QMainWindow::closeEvent(e);
}

} // namespace fragdeck::launcher
