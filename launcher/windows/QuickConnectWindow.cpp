#include "QuickConnectWindow.h"

#include "core/GameInstall.h"
#include "core/Settings.h"
#include "gui/DialogButtons.h"
#include "gui/Prompts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace fragdeck::launcher
{

QString quickConnect(const QString& address)
{
    // The store, not the launcher's copy: a path saved anywhere since start-up counts.
    const QString q3path =
        GetSetting(QStringLiteral("Fragdeck"), QStringLiteral("Options"), QStringLiteral("Q3path"));
    if (address.trimmed().isEmpty())
        return QStringLiteral("Type the address of the server to connect to, for example "
                              "10.0.0.1:27960.");
    const QString problem = gameArgumentProblem(QStringLiteral("server address"), address);
    if (!problem.isEmpty())
        return problem;
    QString error;
    startGame(q3path, QStringLiteral(" +connect ") + address, nullptr, &error);
    return error;
}

QuickConnectWindow::QuickConnectWindow(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frm_quickconnect"));
    setWindowTitle(QStringLiteral("Quick Connect"));

    auto* label = new QLabel(QStringLiteral("Server ip:"), this);
    m_text1 = new QLineEdit(this);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setMinimumWidth(220);
    label->setBuddy(m_text1);
    auto* connectButton = new QPushButton(QStringLiteral("&Connect"), this);
    connectButton->setObjectName(QStringLiteral("Command1"));
    connectButton->setDefault(true);
    auto* cancel = namedButton(this, "Command2", QStringLiteral("&Cancel"));

    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_text1, 1);
    auto* buttons = buttonRow({connectButton, cancel});
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(buttons);
    // Its content does not grow: a fixed size, so no window manager adds a resize strip.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(connectButton, &QPushButton::clicked, this, &QuickConnectWindow::on_Command1_clicked);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void QuickConnectWindow::on_Command1_clicked()
{
    const QString problem = quickConnect(m_text1->text());
    if (!problem.isEmpty())
        messageBox(problem, QStringLiteral("Quick Connect"), Buttons::Ok, Icon::Error, this);
    accept();
}

} // namespace fragdeck::launcher
