#include "OptionsWindow.h"

#include "LauncherWindows.h"
#include "core/Paths.h"
#include "core/Settings.h"
#include "gui/DialogButtons.h"
#include "gui/Prompts.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <exception>

namespace fragdeck::launcher
{
namespace
{

const QString App = QStringLiteral("Fragdeck");
const QString Section = QStringLiteral("Options");
// Programs here rarely end in ".exe" (ioquake3, openarena), so every filter also offers
// all files.
const QString AllFiles = QStringLiteral("|All files|*");

// Shows an open-file dialog that starts in the folder of `edit`'s path; a chosen file goes
// into the edit and is stored under `key` at once. Returns it, empty when the user
// cancelled; any error while the dialog is up changes nothing.
QString browseInto(QLineEdit* edit, const QString& key, const QString& title,
                   const QString& initialFile, const QString& filter, QWidget* parent)
{
    try {
        OpenFileOptions o;
        o.title = title;
        o.initialFile = initialFile;
        o.filter = filter + AllFiles;
        o.fileMustExist = true;
        o.initialFolder = toLocalPath(folderOf(edit->text()));
        const QString file = openFileDialog(o, parent);
        if (file.isEmpty())
            return {};
        edit->setText(file);
        SaveSetting(App, Section, key, edit->text());
        return file;
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace

OptionsWindow::OptionsWindow(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frm_options"));
    setWindowTitle(QStringLiteral("Options"));

    auto* tabs = new QTabWidget(this);
    auto* page = new QWidget;
    tabs->addTab(page, QStringLiteral("Options"));

    m_q3path = new QLineEdit(page);
    m_q3path->setObjectName(QStringLiteral("q3path"));
    m_browserpath = new QLineEdit(page);
    m_browserpath->setObjectName(QStringLiteral("browserpath"));
    m_q3config = new QLineEdit(page);
    m_q3config->setObjectName(QStringLiteral("q3config"));
    auto* brw = namedButton(page, "brw", QStringLiteral("&Browse"));
    auto* command4 = namedButton(page, "Command4", QStringLiteral("&Browse"));
    auto* command5 = namedButton(page, "Command5", QStringLiteral("&Browse"));
    auto* command1 = namedButton(page, "Command1", QStringLiteral("Auto-repair Fragdeck"));
    command1->setToolTip(QStringLiteral("Click if you have problems getting Fragdeck to work"));
    auto* command2 = namedButton(this, "Command2", QStringLiteral("&Ok"));
    command2->setDefault(true);

    auto* grid = new QGridLayout(page);
    int row = 0;
    for (auto [label, edit, browseButton] :
         {std::tuple{"Q3test path:", m_q3path, brw},
          std::tuple{"Server browser:", m_browserpath, command4},
          std::tuple{"Q3config.cfg file", m_q3config, command5}}) {
        auto* l = new QLabel(QLatin1String(label), page);
        l->setBuddy(edit);
        grid->addWidget(l, row, 0);
        grid->addWidget(edit, row, 1);
        grid->addWidget(browseButton, row, 2);
        ++row;
    }
    grid->addWidget(command1, row, 1, 1, 2, Qt::AlignRight);
    grid->setColumnMinimumWidth(1, 300);

    auto* buttons = buttonRow({command2});
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addLayout(buttons);
    // Its content does not grow: a fixed size, so no window manager adds a resize strip.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(brw, &QPushButton::clicked, this, &OptionsWindow::on_brw_clicked);
    connect(command4, &QPushButton::clicked, this, &OptionsWindow::on_Command4_clicked);
    connect(command5, &QPushButton::clicked, this, &OptionsWindow::on_Command5_clicked);
    connect(command1, &QPushButton::clicked, this, &OptionsWindow::on_Command1_clicked);
    connect(command2, &QPushButton::clicked, this, &OptionsWindow::on_Command2_clicked);

    m_q3config->setText(GetSetting(App, Section, QStringLiteral("ConfigPath")));
    m_q3path->setText(launcherState().Q3Path);
    m_browserpath->setText(launcherState().ServerBrowserPath);
}

void OptionsWindow::on_brw_clicked()
{
    const QString file =
        browseInto(m_q3path, QStringLiteral("Q3path"), QStringLiteral("Locate quake3.exe"),
                   QStringLiteral("quake3.exe"), QStringLiteral("Q3test exe|quake3.exe"), this);
    if (!file.isEmpty())
        launcherState().Q3Path = file;
}

void OptionsWindow::on_Command4_clicked()
{
    const QString file = browseInto(
        m_browserpath, QStringLiteral("server browser"), QStringLiteral("Locate server browser"),
        QStringLiteral("*.exe"), QStringLiteral("Server Browser exe|*.exe"), this);
    if (!file.isEmpty())
        launcherState().ServerBrowserPath = file;
}

void OptionsWindow::on_Command5_clicked()
{
    browseInto(m_q3config, QStringLiteral("ConfigPath"), QStringLiteral("Locate q3config.cfg"),
               QStringLiteral("q3config.cfg"), QStringLiteral("q3config.cfg|q3config.cfg"), this);
}

void OptionsWindow::on_Command1_clicked()
{
    if (!launcherState().autoRepair)
        return;
    QString report;
    {
        WaitCursor wait;
        report = launcherState().autoRepair();
    }
    messageBox(report, windowTitle(), Buttons::Ok, Icon::Information, this);
}

void OptionsWindow::on_Command2_clicked()
{
    launcherState().Q3Path = m_q3path->text();
    launcherState().ServerBrowserPath = m_browserpath->text();
    SaveSetting(App, Section, QStringLiteral("Q3path"), m_q3path->text());
    SaveSetting(App, Section, QStringLiteral("server browser"), m_browserpath->text());
    SaveSetting(App, Section, QStringLiteral("ConfigPath"), m_q3config->text());
    accept();
}

} // namespace fragdeck::launcher
