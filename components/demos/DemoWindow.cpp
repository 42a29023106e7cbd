#include "DemoWindow.h"

#include "Prompts.h"
#include "Rotation.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace fragdeck::demos
{

DemoWindow::DemoWindow(const QString& componentFolder, QWidget* parent)
    : QDialog(parent), m_unzip(archive::UnzipVariant::PrefixFilter),
      m_componentFolder(componentFolder)
{
    setObjectName(QStringLiteral("frm_main"));
    setWindowTitle(QStringLiteral("View demos"));

    auto* label = new QLabel(QStringLiteral("Available demos"), this);
    list_demos = new QListWidget(this);
    list_demos->setObjectName(QStringLiteral("list_demos"));
    list_demos->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_demos->setMinimumSize(260, 300);
    cloop = new QCheckBox(QStringLiteral("Continuous loop"), this);
    cloop->setObjectName(QStringLiteral("cloop"));
    Command1 = new QPushButton(QStringLiteral("&Start"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command2 = new QPushButton(QStringLiteral("&Return"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    for (QPushButton* b : {Command1, Command2})
        b->setAutoDefault(false);
    // Kept from the match starter's layout; nothing fills it.
    List_levelshots = new QListWidget(this);
    List_levelshots->setObjectName(QStringLiteral("List_levelshots"));
    List_levelshots->hide();

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cloop);
    buttons->addStretch(1);
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    auto* l = new QVBoxLayout(this);
    l->addWidget(label);
    l->addWidget(list_demos, 1);
    l->addLayout(buttons);

    connect(Command1, &QPushButton::clicked, this, &DemoWindow::on_Command1_clicked);
    connect(Command2, &QPushButton::clicked, this, &QDialog::close);

    loadWindow();
}

void DemoWindow::loadWindow()
{
    m_install = GameInstall::fromSettings();
    if (m_install.configPath.isEmpty())
        return;
    {
        WaitCursor wait;
        m_demos = scanDemos(m_install.dataFolders(), m_unzip,
                            m_componentFolder + QStringLiteral("/test/"));
    }
    for (const Demo& d : m_demos) {
        auto* item = new QListWidgetItem(d.text, list_demos);
        item->setData(Qt::UserRole, d.name);
    }
}

QStringList DemoWindow::selectedNames() const
{
    QStringList out;
    for (int i = 0; i < list_demos->count(); ++i)
        if (list_demos->item(i)->isSelected())
            out.append(list_demos->item(i)->data(Qt::UserRole).toString());
    return out;
}

void DemoWindow::on_Command1_clicked()
{
    const starter::StartOutcome r = starter::writeScriptAndStart(
        m_install, DemoScriptName, demoScript(selectedNames(), cloop->isChecked()),
        demoStartArguments());
    if (!r.started)
        messageBox(r.message, windowTitle(), Buttons::Ok, Icon::Warning, this);
}

} // namespace fragdeck::demos
