#include "Prompts.h"

#include "core/Paths.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>

namespace fragdeck
{
namespace
{

PromptHandler& handler()
{
    static PromptHandler h;
    return h;
}

// What the handler is asked; the rest of a kind's fields are set by its caller.
Prompt promptOf(Prompt::Kind kind, const QString& text, const QString& title)
{
    Prompt p;
    p.kind = kind;
    p.text = text;
    p.title = title;
    return p;
}

// The text the handler typed or chose; empty for a cancel.
QString handledText(const Prompt& prompt)
{
    const PromptReply r = handler()(prompt);
    return r.answer == Answer::Cancel ? QString() : r.text;
}

// Over the middle of its window (or the active one), not wherever the platform puts a
// new top-level window.
void centreOnWindow(QWidget& box, QWidget* parent)
{
    QWidget* window = parent ? parent->window() : QApplication::activeWindow();
    if (!window || !window->isVisible())
        return;
    box.adjustSize();
    QRect r(QPoint(0, 0), box.sizeHint().expandedTo(box.size()));
    r.moveCenter(window->frameGeometry().center());
    box.move(r.topLeft());
}

QMessageBox::Icon qtIcon(Icon icon)
{
    switch (icon) {
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Warning:
        return QMessageBox::Warning;
    case Icon::Error:
        return QMessageBox::Critical;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

QString defaultTitle()
{
    return QStringLiteral("Fragdeck");
}

QString toQtFilter(const QString& filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        out.append(QStringLiteral("%1 (%2)").arg(parts[i], patterns));
    }
    return out.join(QStringLiteral(";;"));
}

Answer messageBox(const QString& text, const QString& title, Buttons buttons, Icon icon,
                  QWidget* parent)
{
    if (handler()) {
        Prompt p = promptOf(Prompt::Message, text, title);
        p.buttons = buttons;
        p.icon = icon;
        return handler()(p).answer;
    }
    QMessageBox box(qtIcon(icon), title, text, QMessageBox::NoButton, parent);
    // Messages quote file names, server replies and game text: never markup.
    box.setTextFormat(Qt::PlainText);
    switch (buttons) {
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Buttons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case Buttons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    centreOnWindow(box, parent);
    switch (box.exec()) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        // Closing the box answers its cancelling button.
        return buttons == Buttons::Ok      ? Answer::Ok
               : buttons == Buttons::YesNo ? Answer::No
                                           : Answer::Cancel;
    }
}

QString inputBox(const QString& prompt, const QString& title, const QString& defaultText,
                 QWidget* parent)
{
    if (handler()) {
        Prompt p = promptOf(Prompt::Input, prompt, title);
        p.defaultText = defaultText;
        return handledText(p);
    }
    QInputDialog dialog(parent);
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    // The prompt quotes addresses the player or a server gave: never markup.
    for (QLabel* label : dialog.findChildren<QLabel*>())
        label->setTextFormat(Qt::PlainText);
    dialog.setTextValue(defaultText);
    return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
}

QString openFileDialog(const OpenFileOptions& options, QWidget* parent)
{
    if (handler()) {
        Prompt p = promptOf(Prompt::OpenFile, QString(), options.title);
        p.file = options;
        return handledText(p);
    }
    QFileDialog dialog(parent, options.title);
    dialog.setFileMode(options.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (options.chooseFolder) {
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
    }
    if (options.showHidden)
        dialog.setFilter(dialog.filter() | QDir::Hidden);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    const QString qtFilter = toQtFilter(options.filter);
    if (!qtFilter.isEmpty())
        dialog.setNameFilter(qtFilter);
    const QString folder = toLocalPath(options.initialFolder);
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        dialog.setDirectory(folder);
    if (!options.initialFile.isEmpty() && !options.initialFile.contains(u'*'))
        dialog.selectFile(options.initialFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

void setPromptHandler(PromptHandler h)
{
    handler() = std::move(h);
}

WaitCursor::WaitCursor()
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_active = true;
    }
}

WaitCursor::~WaitCursor()
{
    restore();
}

void WaitCursor::restore()
{
    if (m_active) {
        QApplication::restoreOverrideCursor();
        m_active = false;
    }
}

} // namespace fragdeck
