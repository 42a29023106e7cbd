#pragma once
// Message boxes, input boxes and open-file dialogs, one entry point each, with the tools'
// exact texts. Tests install a handler that records every prompt and answers it, so no
// test ever blocks on a real dialog.
#include <QString>
#include <functional>

class QWidget;

namespace fragdeck
{

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Icon { None, Information, Warning, Error, Question };
enum class Answer { Ok, Cancel, Yes, No };

struct OpenFileOptions {
    QString title;
    QString initialFile;   // e.g. "quake3.exe" or "*.exe"
    QString filter;        // "Description|pattern[|Description|pattern...]"
    QString initialFolder; // may be empty or not exist
    bool fileMustExist = true;
    bool showHidden = false;   // list hidden files and folders (~/.openarena) too
    bool chooseFolder = false; // an existing folder is chosen instead of a file
};

struct Prompt {
    enum Kind { Message, Input, OpenFile } kind = Message;
    QString text;  // message or input prompt
    QString title; // title (message, input)
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::None;
    QString defaultText; // input box
    OpenFileOptions file;
};

struct PromptReply {
    Answer answer = Answer::Ok;
    QString text; // input text or chosen file name; empty for a cancel
};

// The title a message box gets when a tool gives none of its own.
QString defaultTitle();

Answer messageBox(const QString& text, const QString& title = defaultTitle(),
                  Buttons buttons = Buttons::Ok, Icon icon = Icon::None, QWidget* parent = nullptr);
// The typed text; empty when cancelled.
QString inputBox(const QString& prompt, const QString& title, const QString& defaultText = {},
                 QWidget* parent = nullptr);
// The chosen file's full path; empty when cancelled.
QString openFileDialog(const OpenFileOptions& options, QWidget* parent = nullptr);

// Converts "Desc|pat1;pat2|Desc2|pat" into a Qt name filter list string.
QString toQtFilter(const QString& filter);

using PromptHandler = std::function<PromptReply(const Prompt&)>;
void setPromptHandler(PromptHandler handler); // empty: real dialogs

// The hourglass for a long operation, restored when it goes out of scope.
class WaitCursor
{
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
    void restore(); // back to the default before the scope ends
private:
    bool m_active = false;
};

} // namespace fragdeck
