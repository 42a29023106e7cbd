#include "TestSupport.h"

#include "core/Activation.h"
#include "core/Clock.h"
#include "core/Error.h"
#include "core/Failure.h"
#include "core/Settings.h"
#include "gui/Sound.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QTextDocument>
#include <QTimer>
#include <QTreeWidget>
#include <QWidget>
#include <cerrno>
#include <cstring>
#include <memory>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace fragdeck::test
{
namespace
{

// One field of every element of `list`, in order.
template <typename T, typename Field> QStringList fieldOfEach(const QList<T>& list, Field T::*field)
{
    QStringList out;
    for (const T& item : list)
        out.append(item.*field);
    return out;
}

} // namespace

TempStore::TempStore(const QString& configHome)
    : m_home(configHome.isEmpty() ? m_dir.path() : configHome)
{
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME"})
        m_previous.append({name, qEnvironmentVariableIsSet(name), qgetenv(name)});
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("data"))));
    settings::reset();
}

TempStore::~TempStore()
{
    settings::reset();
    for (const Previous& p : m_previous) {
        if (p.set)
            qputenv(p.name, p.value);
        else
            qunsetenv(p.name);
    }
}

TempHome::TempHome(const QString& home)
    : m_home(home.isEmpty() ? m_dir.path() : home), m_had(qEnvironmentVariableIsSet("HOME")),
      m_previous(qgetenv("HOME"))
{
    QDir().mkpath(m_home);
    qputenv("HOME", QFile::encodeName(m_home));
}

TempHome::~TempHome()
{
    if (m_had)
        qputenv("HOME", m_previous);
    else
        qunsetenv("HOME");
}

PromptRecorder::PromptRecorder()
{
    setPromptHandler([this](const Prompt& p) {
        prompts.append(p);
        if (responder)
            return responder(p);
        if (!m_replies.empty()) {
            PromptReply r = m_replies.front();
            m_replies.pop_front();
            return r;
        }
        if (p.kind != Prompt::Message)
            return PromptReply{Answer::Cancel, QString()};
        switch (p.buttons) {
        case Buttons::YesNo:
        case Buttons::YesNoCancel:
            return PromptReply{Answer::Yes, QString()};
        default:
            return PromptReply{Answer::Ok, QString()};
        }
    });
}

PromptRecorder::~PromptRecorder()
{
    setPromptHandler({});
}

QStringList PromptRecorder::texts() const
{
    return fieldOfEach(prompts, &Prompt::text);
}

QStringList PromptRecorder::titles() const
{
    return fieldOfEach(prompts, &Prompt::title);
}

ProcessRecorder::ProcessRecorder()
{
    setProcessStarter([this](const ProcessRequest& r, StartedProcess* started, QString* error) {
        requests.append(r);
        if (!succeed)
            return fail(error, QStringLiteral("not started (test)"));
        started->exitCode = exitCode;
        return true;
    });
}

ProcessRecorder::~ProcessRecorder()
{
    setProcessStarter({});
}

QStringList ProcessRecorder::commandLines() const
{
    return fieldOfEach(requests, &ProcessRequest::commandLine);
}

SoundRecorder::SoundRecorder()
{
    setSoundHook([this](const QString& path) {
        played.append(path);
        return QFileInfo(path).isFile();
    });
}

SoundRecorder::~SoundRecorder()
{
    setSoundHook({});
}

QString probeLibraryPath()
{
    return QStringLiteral(FRAGDECK_PROBE_PATH);
}

void registerProbeAs(const QStringList& progIds)
{
    for (const QString& id : progIds) {
        SaveSetting(QStringLiteral("Classes"), id, QStringLiteral("Library"), probeLibraryPath());
        SaveSetting(QStringLiteral("Classes"), id, QStringLiteral("Class"), id);
    }
}

int probeCalls(const QString& progId)
{
    return GetSetting(QStringLiteral("Probe"), QStringLiteral("Calls"), progId, QStringLiteral("0"))
        .toInt();
}

bool spinUntil(const std::function<bool()>& done, int timeoutMs)
{
    return waitFor(done, timeoutMs, 10);
}

ProgramRun runCommandLine(const QString& program, const QStringList& args, int timeoutMs)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    p.setProcessEnvironment(env);
    p.start(program, args);
    ProgramRun r;
    if (!p.waitForStarted(10000))
        return r;
    if (!spinUntil([&] { return p.state() == QProcess::NotRunning; }, timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

void whenShown(const QString& name, const std::function<void(QWidget*)>& step)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, name, step] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == name && w->isVisible()) {
                timer->stop();
                timer->deleteLater();
                step(w);
                return;
            }
    });
    timer->start();
}

QStringList fileDialogOf(const Prompt& prompt)
{
    const OpenFileOptions& f = prompt.file;
    QStringList out{f.title, f.initialFile, f.filter, f.initialFolder};
    if (f.fileMustExist)
        out << QStringLiteral("must exist");
    if (f.showHidden)
        out << QStringLiteral("hidden shown");
    if (f.chooseFolder)
        out << QStringLiteral("folder");
    return out;
}

QStringList rowTexts(QTreeWidget* list, int i)
{
    QStringList out;
    QTreeWidgetItem* item = list->topLevelItem(i);
    for (int c = 0; item && c < list->columnCount(); ++c)
        out.append(item->text(c));
    return out;
}

QString shownToolTip(const QString& tip)
{
    if (!Qt::mightBeRichText(tip))
        return tip;
    QTextDocument document;
    document.setHtml(tip);
    return document.toPlainText();
}

qint64 residentKb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

void onNextModal(const std::function<void(QWidget*)>& step)
{
    QTimer::singleShot(0, [step] {
        QPointer<QWidget> modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        step(modal);
        if (modal && modal->isVisible())
            modal->close();
    });
}

QString writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
    return path;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

void setGamePaths(const QString& program, const QString& config)
{
    SaveSetting(QStringLiteral("Fragdeck"), QStringLiteral("Options"), QStringLiteral("Q3path"),
                program);
    SaveSetting(QStringLiteral("Fragdeck"), QStringLiteral("Options"), QStringLiteral("ConfigPath"),
                config);
}

ConfigFixture::ConfigFixture(const QByteArray& content)
    : cfg(writeFile(dir.filePath(QStringLiteral("q3config.cfg")), content))
{
    SaveSetting(QStringLiteral("Fragdeck"), QStringLiteral("Options"), QStringLiteral("ConfigPath"),
                cfg);
}

QString builtComponent(const QString& name)
{
    return qEnvironmentVariable("FRAGDECK_BUILD_DIR") + QStringLiteral("/system/") + name +
           QStringLiteral(".so");
}

QString registerBuiltComponent(const QString& name)
{
    QString error;
    if (!registerComponentLibrary(builtComponent(name), &error) && error.isEmpty())
        error = QStringLiteral("%1 was not registered").arg(builtComponent(name));
    return error;
}

QString modalShownBy(const QString& library, const QString& progId, const QString& method,
                     const QString& close, const std::function<void(QWidget*)>& step)
{
    const QString error = registerBuiltComponent(library);
    if (!error.isEmpty())
        return QStringLiteral("<%1>").arg(error);
    std::unique_ptr<QObject> obj = CreateObject(progId);
    if (!obj)
        return QStringLiteral("<no %1>").arg(progId);
    // Shared, not a reference: a step that runs late must not write to a finished call.
    auto seen = std::make_shared<QString>(QStringLiteral("<no modal window>"));
    onNextModal([seen, close, step](QWidget* modal) {
        *seen = modal->objectName() + u'|' + modal->windowTitle();
        if (step)
            step(modal);
        if (close.isEmpty())
            return;
        if (auto* button = modal->findChild<QAbstractButton*>(close))
            button->click();
        else if (auto* action = modal->findChild<QAction*>(close))
            action->trigger();
        if (modal->isVisible())
            *seen = QStringLiteral("<%1 did not close %2>").arg(close, *seen);
    });
    CallByName(obj.get(), method);
    return *seen;
}

QByteArray crlf(const QStringList& lines)
{
    QByteArray out;
    for (const QString& l : lines)
        out += l.toLatin1() + "\r\n";
    return out;
}

int errorOf(const std::function<void()>& f, QString* description)
{
    try {
        f();
    } catch (const Error& e) {
        if (description)
            *description = e.description();
        return e.number();
    }
    return 0;
}

bool isolateNetwork(QString* why)
{
    if (::unshare(CLONE_NEWNET) != 0) {
        *why = QStringLiteral("no network namespace of its own (%1); run as root")
                   .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    // A new namespace has its loopback interface down; up, it has 127.0.0.1/8 and ::1.
    const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
    ifreq ifr{};
    std::strncpy(ifr.ifr_name, "lo", IFNAMSIZ - 1);
    bool up = s >= 0 && ::ioctl(s, SIOCGIFFLAGS, &ifr) == 0;
    ifr.ifr_flags |= IFF_UP;
    up = up && ::ioctl(s, SIOCSIFFLAGS, &ifr) == 0;
    if (s >= 0)
        ::close(s);
    if (!up)
        *why = QStringLiteral("the loopback interface could not be brought up");
    return up;
}

} // namespace fragdeck::test
