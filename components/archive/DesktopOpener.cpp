#include "DesktopOpener.h"

#include "core/Desktop.h"
#include "core/Paths.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>

namespace fragdeck::archive
{

QString DesktopOpener::openerProgram()
{
    return findProgram(QStringLiteral("xdg-open"));
}

void DesktopOpener::open(const QString& opener, const QString& file)
{
    // The opener may live as long as the program it starts, and closing the window must
    // not end that: the process belongs to the application and goes when it has ended.
    auto* process = new QProcess(QCoreApplication::instance());
    process->setProgram(opener);
    process->setArguments({file});
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    connect(process, &QProcess::finished, process, &QObject::deleteLater);
    connect(process, &QProcess::errorOccurred, process, [process](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            process->deleteLater();
    });
    // Told only while this opener (its window) is there.
    connect(process, &QProcess::errorOccurred, this,
            [this, process, file, opener](QProcess::ProcessError error) {
                if (error == QProcess::FailedToStart)
                    Q_EMIT failed(file, QStringLiteral("%1 could not be started: %2")
                                            .arg(opener, process->errorString()));
            });
    connect(process, &QProcess::finished, this,
            [this, file](int exitCode, QProcess::ExitStatus status) {
                if (status != QProcess::NormalExit)
                    Q_EMIT failed(file, QStringLiteral("xdg-open ended abnormally."));
                else if (exitCode != 0)
                    Q_EMIT failed(file, openerFailure(exitCode));
            });
    process->start();
}

QString openerFailure(int exitStatus)
{
    QString why;
    switch (exitStatus) {
    case 2:
        why = QStringLiteral("the file was not found");
        break;
    case 3:
        why = QStringLiteral("no program is set up for this type of file");
        break;
    case 4:
        why = QStringLiteral("the program for this type of file failed");
        break;
    default:
        why = QStringLiteral("the desktop's opener failed");
        break;
    }
    return QStringLiteral("%1 (xdg-open ended with status %2).").arg(why).arg(exitStatus);
}

QString TextEditor::shown() const
{
    QStringList words{fileNameOf(program)};
    for (const QString& a : arguments)
        words.append(a.contains(u'/') ? fileNameOf(a) : a);
    return words.join(u' ');
}

TextEditor fallbackTextEditor()
{
    const EditorCommand own = findTextEditor();
    // findTextEditor ends with the desktop's opener, which is what failed or is missing.
    if (!own.program.isEmpty() && fileNameOf(own.program) != QLatin1String("xdg-open"))
        return {own.program, own.arguments};
    for (const char* editor : {"gnome-text-editor", "gedit", "kate", "kwrite", "mousepad", "pluma",
                               "xed", "featherpad", "leafpad", "geany"}) {
        const QString found = QStandardPaths::findExecutable(QLatin1String(editor));
        if (!found.isEmpty())
            return {found, {}};
    }
    return {};
}

} // namespace fragdeck::archive
