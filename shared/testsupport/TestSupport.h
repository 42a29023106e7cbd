#pragma once
// Test helpers: nothing here touches the real disk outside temporary folders, starts a
// real program or waits on a real dialog.
#include "core/Process.h"
#include "gui/Prompts.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <functional>

class QTreeWidget;
class QWidget;

namespace fragdeck::test
{

// A fresh settings store in a temporary XDG_CONFIG_HOME for the object's lifetime (or in
// `configHome` when given, for a store on a file system the test controls), and a fresh
// user data folder in a temporary XDG_DATA_HOME.
class TempStore
{
public:
    explicit TempStore(const QString& configHome = QString());
    ~TempStore();
    QString folder() const { return m_home; }
    QString dataHome() const { return m_dir.filePath(QStringLiteral("data")); }

private:
    struct Previous {
        const char* name;
        bool set;
        QByteArray value;
    };
    QTemporaryDir m_dir;
    QString m_home;
    QList<Previous> m_previous;
};

// HOME pointed at `home` (made when missing), or at a temporary folder of its own, for the
// object's lifetime: the game's home folders (~/.q3a, ~/.openarena) land there.
class TempHome
{
public:
    explicit TempHome(const QString& home = QString());
    ~TempHome();
    QString path() const { return m_home; }

private:
    QTemporaryDir m_dir;
    QString m_home;
    bool m_had;
    QByteArray m_previous;
};

// Records every prompt and answers it: queued replies first, then the default (the
// first button: Ok or Yes; a cancel for input boxes and file dialogs).
class PromptRecorder
{
public:
    PromptRecorder();
    ~PromptRecorder();
    void queue(Answer answer, const QString& text = QString())
    {
        m_replies.push_back({answer, text});
    }
    void queueFile(const QString& path) { queue(Answer::Ok, path); }
    void queueCancel() { queue(Answer::Cancel); }
    // Decides replies instead of the queue (called for every prompt).
    std::function<PromptReply(const Prompt&)> responder;

    QList<Prompt> prompts;
    QStringList texts() const;  // text of each message or input prompt, in order
    QStringList titles() const; // title of each prompt
    void clear() { prompts.clear(); }

private:
    std::deque<PromptReply> m_replies;
};

// What a file prompt offers: its title, initial file, filter and initial folder, then the
// flags it sets ("must exist", "hidden shown", "folder"), to check in one comparison.
QStringList fileDialogOf(const Prompt& prompt);

// Records every program start instead of starting it.
class ProcessRecorder
{
public:
    ProcessRecorder();
    ~ProcessRecorder();
    QList<ProcessRequest> requests;
    QStringList commandLines() const;
    bool succeed = true; // what the starts report
    int exitCode = 0;    // what a program waited for reports
};

// Records every sound asked for instead of playing it.
class SoundRecorder
{
public:
    SoundRecorder();
    ~SoundRecorder();
    QStringList played;
};

// Names the game's program and its q3config.cfg in the store, as the launcher's options do.
void setGamePaths(const QString& program, const QString& config);

// A fresh store, the prompts recorded, and a q3config.cfg holding `content` in a folder of
// its own, named as the game's config file in the store.
struct ConfigFixture {
    explicit ConfigFixture(const QByteArray& content);
    TempStore store;
    PromptRecorder prompts;
    QTemporaryDir dir;
    QString cfg;
};

// The component library `name`.so that the build put in its system folder.
QString builtComponent(const QString& name);
// Registers that library; the reason it could not, empty once it is registered.
QString registerBuiltComponent(const QString& name);

// Registers the built component library `library`, makes a `progId` from it and calls its
// `method`. On the modal window that call opens it runs `step`, then closes the window
// through its control `close` when one is named (a button clicked or an action
// triggered). Gives that window's "objectName|title", or what went wrong in angle brackets.
QString modalShownBy(const QString& library, const QString& progId, const QString& method,
                     const QString& close = QString(),
                     const std::function<void(QWidget*)>& step = {});

// The probe component registered under the given names (class = the name), so the
// launcher and the components create probes where they would create the real ones.
void registerProbeAs(const QStringList& progIds);
// How often the probe registered as `progId` had its main() called.
int probeCalls(const QString& progId);
QString probeLibraryPath();

// The texts of row `i` of `list`, column by column; empty past the last row.
QStringList rowTexts(QTreeWidget* list, int i);

// What a tooltip shows: its text, or the text of the rich text Qt takes it for.
QString shownToolTip(const QString& tip);
// This process's resident memory in KB (VmRSS), -1 when it cannot be read.
qint64 residentKb();

// Runs the event loop until done() or timeout; true when done.
bool spinUntil(const std::function<bool()>& done, int timeoutMs = 5000);

// How a command-line program ended and what it printed. exitCode -1: it did not start or
// did not end in time; -2: it crashed.
struct ProgramRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};
// Runs a command-line program without a display, while this process's event loop keeps
// turning, so test servers in this process go on answering it.
ProgramRun runCommandLine(const QString& program, const QStringList& args, int timeoutMs = 30000);

// Runs `step` once, from the event loop, on the first visible top-level widget named `name`:
// the way to answer a modal window that the code under test opens.
void whenShown(const QString& name, const std::function<void(QWidget*)>& step);

// Runs `step` once, from the event loop, on the modal window the code under test opens
// next (a component's main(), a dialog's exec()), then closes that window unless `step`
// already did. Call it just before the call that opens the window.
void onNextModal(const std::function<void(QWidget*)>& step);

// Moves this process into a network namespace of its own with only a loopback interface,
// so that a datagram to any other address has no route and never leaves the machine. Call
// it before any socket is made. Needs root (CI runs as root); false, with the reason, when
// it cannot be done, and the tests that need it skip.
bool isolateNetwork(QString* why);

// Writes a file whole (creating folders); returns its path.
QString writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);

// The lines, each ended with CR LF as the game's own files have them.
QByteArray crlf(const QStringList& lines);

// The bytes of a string literal, embedded NULs and all.
template <size_t N> QByteArray raw(const char (&s)[N])
{
    return QByteArray(s, N - 1);
}

// The number of the Error that f() raises (its description into `description` when
// given); 0 when it raises none.
int errorOf(const std::function<void()>& f, QString* description = nullptr);

} // namespace fragdeck::test
