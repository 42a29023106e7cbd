// fragdeck-shot: opens one window of the suite and saves a picture of it.
//   fragdeck-shot prepare            settings for a screenshot run (temporary store)
//   fragdeck-shot progids            lists the registered names of system/*.so
//   fragdeck-shot main OUT.png       the launcher's main window
//   fragdeck-shot search OUT.png     the game search window
//   fragdeck-shot themes OUT.png     the theme pop-up over the icon list
//   fragdeck-shot menu:NAME OUT.png  a menu of the menu bar (mp, opt, tools, help)
//   fragdeck-shot options|quickconnect|about|cartoon OUT.png
//   fragdeck-shot progid:NAME OUT.png  a component: created by name, main called
// It shows the program folder of $FRAGDECK_PROGRAM_DIR (default: the build's).
#include "Form1.h"
#include "LauncherLogic.h"
#include "LauncherWindows.h"
#include "SearchWindow.h"
#include "core/Activation.h"
#include "core/GameInstall.h"
#include "core/Paths.h"
#include "core/Settings.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <cstdio>

using namespace fragdeck;
using namespace fragdeck::launcher;

namespace
{

int g_result = 1;

bool save(QWidget* w, const QString& out)
{
    if (!w)
        return false;
    const bool ok = w->grab().save(out, "PNG");
    std::printf("%s %s\n", ok ? "saved" : "FAILED", qPrintable(out));
    return ok;
}

// The window the call opened: the active modal one, else any visible top-level window.
QWidget* openedWindow()
{
    if (QWidget* m = QApplication::activeModalWidget())
        return m;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->isWindow())
            return w;
    return nullptr;
}

// Grabs the window a blocking call opens after a moment, closes it, and gives up after
// a few seconds when no window appears.
void grabLater(const QString& out, int delayMs = 1200)
{
    auto* t = new QTimer(qApp);
    auto waited = std::make_shared<int>(0);
    QObject::connect(t, &QTimer::timeout, [t, out, waited, delayMs] {
        *waited += 100;
        QWidget* w = openedWindow();
        if (*waited < delayMs || (!w && *waited < 8000))
            return;
        t->stop();
        if (w) {
            g_result = save(w, out) ? 0 : 1;
            if (auto* d = qobject_cast<QDialog*>(w))
                d->reject();
            w->close();
            // A window that would not close (it asks first): the picture is taken.
            QTimer::singleShot(1500, [] { std::exit(g_result); });
        } else {
            std::fprintf(stderr, "no window appeared\n");
            std::exit(1);
        }
    });
    t->start(100);
}

void prepare()
{
    saveOption(QStringLiteral("Firstrun_v6"), QStringLiteral("0"));
    if (!option(QStringLiteral("Q3path")).isEmpty())
        return;
    QString game;
    // A server-only installation still has the game's maps and demos to show.
    for (const char* name : {"openarena", "ioquake3", "quake3", "openarena-server", "ioq3ded"}) {
        game = QStandardPaths::findExecutable(
            QLatin1String(name),
            {QStringLiteral("/usr/games"), QStringLiteral("/usr/local/games")});
        if (game.isEmpty())
            game = QStandardPaths::findExecutable(QLatin1String(name));
        if (!game.isEmpty())
            break;
    }
    if (game.isEmpty())
        game = QStringLiteral("/usr/games/quake3");
    saveOption(QStringLiteral("Q3path"), game);
    saveOption(QStringLiteral("ConfigPath"), configPathFor(game));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The program folder it shows: $FRAGDECK_PROGRAM_DIR, else the build's.
    const QString dir = qEnvironmentVariable("FRAGDECK_PROGRAM_DIR");
    setProgramFolder(dir.isEmpty() ? QStringLiteral(FRAGDECK_PROGRAM_DIR) : dir);
    const QString what = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const QString out = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    if (what == QLatin1String("prepare")) {
        prepare();
        return 0;
    }
    if (what == QLatin1String("progids")) {
        const QDir sys(programFolder() + QStringLiteral("/system"));
        for (const QString& lib : sys.entryList({QStringLiteral("*.so")}, QDir::Files)) {
            QList<ComponentClass> classes;
            readComponentMetadata(sys.filePath(lib), &classes);
            for (const ComponentClass& c : classes)
                std::printf("%s\n", qPrintable(c.progId));
        }
        return 0;
    }
    if (out.isEmpty()) {
        std::fprintf(stderr, "usage: fragdeck-shot WHAT OUT.png\n");
        return 2;
    }
    if (what == QLatin1String("main")) {
        Form1 form;
        form.load();
        QTimer::singleShot(1500, [&] {
            g_result = save(&form, out) ? 0 : 1;
            QApplication::quit();
        });
        QApplication::exec();
        return g_result;
    }
    if (what == QLatin1String("themes") || what.startsWith(QLatin1String("menu:"))) {
        // The theme pop-up over the icon list, or a menu of the menu bar with its first
        // submenu open: a picture of the screen, as a menu is a window of its own.
        Form1 form;
        form.load();
        QTimer::singleShot(800, [&] {
            if (what == QLatin1String("themes")) {
                if (auto* m = form.findChild<QMenu*>(QStringLiteral("themes")))
                    m->popup(form.mapToGlobal(QPoint(420, 220)));
                return;
            }
            auto* m = form.findChild<QMenu*>(what.mid(5));
            if (!m)
                return;
            form.menuBar()->setActiveAction(m->menuAction());
            for (QAction* a : m->actions()) {
                if (a->menu()) {
                    QTimer::singleShot(300, [m, a] { m->setActiveAction(a); });
                    break;
                }
            }
        });
        QTimer::singleShot(1600, [&] {
            const QPixmap screen = form.screen()->grabWindow(0);
            g_result = screen.save(out, "PNG") ? 0 : 1;
            std::printf("saved %s\n", qPrintable(out));
            QApplication::quit();
        });
        QApplication::exec();
        return g_result;
    }
    if (what == QLatin1String("search")) {
        locatorShared().SearchStart = programFolder();
        SearchWindow w;
        auto show = w.locator().pump;
        bool taken = false;
        w.locator().pump = [&](const QString& folder) {
            show(folder);
            if (!taken) {
                taken = true;
                QApplication::processEvents();
                g_result = save(&w, out) ? 0 : 1;
            }
        };
        w.exec();
        return g_result;
    }
    using Show = void (*)(QWidget*);
    const std::pair<const char*, Show> windows[] = {{"options", &showOptions},
                                                    {"quickconnect", &showQuickConnect},
                                                    {"about", &showAbout},
                                                    {"cartoon", &showCartoon}};
    for (const auto& [name, show] : windows) {
        if (what == QLatin1String(name)) {
            grabLater(out);
            show(nullptr);
            return g_result;
        }
    }
    if (what.startsWith(QLatin1String("progid:"))) {
        try {
            std::unique_ptr<QObject> obj = CreateObject(what.mid(7));
            grabLater(out);
            CallByName(obj.get(), QStringLiteral("main"));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(what), e.what());
            return 1;
        }
        return g_result;
    }
    std::fprintf(stderr, "unknown window %s\n", qPrintable(what));
    return 2;
}
