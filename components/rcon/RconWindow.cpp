#include "RconWindow.h"

#include "RconProtocol.h"
#include "core/Activation.h"
#include "core/Error.h"
#include "core/HostLookup.h"
#include "core/Settings.h"
#include "core/TextFile.h"
#include "gui/ColouredText.h"
#include "gui/DialogButtons.h"
#include "gui/Prompts.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QNetworkDatagram>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTreeWidget>
#include <QUdpSocket>
#include <QVBoxLayout>

namespace fragdeck
{
namespace
{

const QString errorTitle = QStringLiteral("Error");
// The last server administered; the password is never kept.
const QString settingsApp = QStringLiteral("Fragdeck");
const QString settingsSection = QStringLiteral("RemoteAdmin");

QLineEdit* textBox(QWidget* parent, const char* name)
{
    auto* t = new QLineEdit(parent);
    t->setObjectName(QLatin1String(name));
    return t;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, QWidget* buddy)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setBuddy(buddy);
    return l;
}

QHostAddress resolve(const QString& host)
{
    const QList<QHostAddress> found = lookUpHost(host);
    return found.isEmpty() ? QHostAddress() : found.first();
}

} // namespace

RconWindow::RconWindow(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Remote Admin"));

    auto* frame1 = new QGroupBox(QStringLiteral("Server Info"), this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    m_text1 = textBox(frame1, "Text1");
    m_text2 = textBox(frame1, "Text2");
    m_text3 = textBox(frame1, "Text3");
    m_text3->setEchoMode(QLineEdit::Password);
    m_text1->setText(GetSetting(settingsApp, settingsSection, QStringLiteral("Host")));
    m_text2->setText(GetSetting(settingsApp, settingsSection, QStringLiteral("Port"),
                                QString::number(DefaultServerPort)));
    // A server remembered: the password is all that is left to type.
    if (!m_text1->text().isEmpty())
        m_text3->setFocus();
    auto* refresh = namedButton(frame1, "Command1", QStringLiteral("&Refresh"));
    m_winsock = new QUdpSocket(this);
    m_winsock->setObjectName(QStringLiteral("Winsock1"));
    m_replies = new RconReplyJoiner(this);
    m_lists = StatusLists::create(frame1);

    auto* fields = new QGridLayout;
    fields->addWidget(label(frame1, "Label2", QStringLiteral("Ip:"), m_text1), 0, 0);
    fields->addWidget(m_text1, 0, 1);
    fields->addWidget(label(frame1, "Label3", QStringLiteral("Port:"), m_text2), 1, 0);
    fields->addWidget(m_text2, 1, 1);
    fields->addWidget(label(frame1, "Label4", QStringLiteral("RCON password:"), m_text3), 2, 0);
    fields->addWidget(m_text3, 2, 1);
    fields->addWidget(refresh, 3, 1, Qt::AlignLeft);
    auto* lists = new QGridLayout;
    lists->addWidget(m_lists.server, 0, 0, 1, 2);
    lists->addWidget(m_lists.players, 1, 0);
    lists->addWidget(m_lists.rules, 1, 1);
    lists->setRowStretch(1, 1);
    auto* frame1Layout = new QVBoxLayout(frame1);
    frame1Layout->addLayout(fields);
    frame1Layout->addLayout(lists, 1);
    m_lists.server->setMaximumHeight(m_lists.server->sizeHint().height() / 3);

    auto* frame2 = new QGroupBox(QStringLiteral("RCON"), this);
    frame2->setObjectName(QStringLiteral("Frame2"));
    m_text4 = new QPlainTextEdit(frame2);
    m_text4->setObjectName(QStringLiteral("Text4"));
    m_text4->setReadOnly(true);
    m_text4->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Console output lines up in columns (status, cvarlist).
    m_text4->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_rcom = textBox(frame2, "rcom");
    auto* send = namedButton(frame2, "Command3", QStringLiteral("&Send"));
    auto* command = new QHBoxLayout;
    command->addWidget(m_rcom, 1);
    command->addWidget(send);
    auto* frame2Layout = new QVBoxLayout(frame2);
    frame2Layout->addWidget(m_text4, 1);
    frame2Layout->addLayout(command);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(frame1, 1);
    layout->addWidget(frame2, 1);
    resize(900, 520);

    m_kicker = new QMenu(QStringLiteral("Kicker"), this);
    m_kicker->setObjectName(QStringLiteral("kicker"));
    m_kick = m_kicker->addAction(QStringLiteral("&Kick"));
    m_kick->setObjectName(QStringLiteral("kick"));

    connect(refresh, &QPushButton::clicked, this, &RconWindow::on_Command1_clicked);
    connect(send, &QPushButton::clicked, this, &RconWindow::on_Command3_clicked);
    connect(m_kick, &QAction::triggered, this, &RconWindow::on_kick_triggered);
    connect(m_winsock, &QUdpSocket::readyRead, this, &RconWindow::on_Winsock1_readyRead);
    connect(m_replies, &RconReplyJoiner::replyComplete, this, &RconWindow::showReplyText);
    m_rcom->installEventFilter(this);
    m_lists.players->viewport()->installEventFilter(this);

    // "Q3path" is not needed here; "ConfigPath" tells whether the game is set up.
    const QString configPath = GetSetting(QStringLiteral("Fragdeck"), QStringLiteral("Options"),
                                          QStringLiteral("ConfigPath"));
    if (configPath.isEmpty()) {
        m_engineProblem = QStringLiteral(
            "The game's configuration file is not set, so the server's status cannot be shown. "
            "Go to 'Fragdeck Options' and give in the path of the game. Console commands can "
            "still be sent.");
        return;
    }
    try {
        m_engine = CreateObject(QStringLiteral("scoutlink.commander"));
    } catch (const Error& e) {
        m_engineProblem = QStringLiteral("The server query engine could not be started, so the "
                                         "server's status cannot be shown: %1")
                              .arg(e.description());
    }
}

RconWindow::~RconWindow() = default;

bool RconWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_rcom && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            on_Command3_clicked();
            return true; // the key goes no further: one send
        }
    } else if (watched == m_lists.players->viewport() &&
               event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            const QPoint pos = mouse->position().toPoint();
            if (QTreeWidgetItem* row = m_lists.players->itemAt(pos)) {
                m_kickName = row->text(0);
                m_kicker->popup(m_lists.players->viewport()->mapToGlobal(pos));
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool RconWindow::setTarget()
{
    const QString host = m_text1->text().trimmed();
    if (host.isEmpty()) {
        messageBox(QStringLiteral("Please give in the address of the server."), errorTitle,
                   Buttons::Ok, Icon::Error, this);
        return false;
    }
    const std::optional<quint16> port = parseServerPort(m_text2->text());
    if (!port) {
        messageBox(QStringLiteral("Please give in the port of the server as a number from 1 to "
                                  "65535 (the game's port is 27960)."),
                   errorTitle, Buttons::Ok, Icon::Error, this);
        return false;
    }
    if (!m_target.set || m_target.host != host)
        m_target.address = resolve(host);
    m_target.host = host;
    m_target.port = *port;
    m_target.set = true;
    SaveSetting(settingsApp, settingsSection, QStringLiteral("Host"), host);
    SaveSetting(settingsApp, settingsSection, QStringLiteral("Port"), QString::number(*port));
    return true;
}

void RconWindow::on_Command1_clicked()
{
    refresh(false);
}

void RconWindow::refresh(bool afterSend)
{
    if (m_querying)
        return; // a status query is already waiting; the window stays live meanwhile
    if (!setTarget())
        return;
    if (!m_engine) {
        // After a send the command went out; only the status is missing.
        if (!afterSend)
            messageBox(m_engineProblem, errorTitle, Buttons::Ok, Icon::Error, this);
        return;
    }
    const QScopedValueRollback<bool> busy(m_querying, true);
    m_lists.query(m_engine.get(), m_target.host, m_target.port, this);
}

bool RconWindow::sendCommand(const QString& command)
{
    if (!m_target.set) {
        messageBox(QStringLiteral("Press 'Refresh' first to choose the server the command goes "
                                  "to."),
                   errorTitle, Buttons::Ok, Icon::Error, this);
        return false;
    }
    if (m_target.address.isNull()) {
        messageBox(QStringLiteral("The server '%1' could not be found.").arg(m_target.host),
                   errorTitle, Buttons::Ok, Icon::Error, this);
        return false;
    }
    if (m_winsock->state() != QAbstractSocket::BoundState &&
        !m_winsock->bind(QHostAddress::Any, 0) && !m_winsock->bind(QHostAddress::AnyIPv4, 0)) {
        messageBox(QStringLiteral("The console socket could not be opened: %1")
                       .arg(m_winsock->errorString()),
                   errorTitle, Buttons::Ok, Icon::Error, this);
        return false;
    }
    const QByteArray datagram = rconDatagram(m_text3->text(), command);
    if (m_winsock->writeDatagram(datagram, m_target.address, m_target.port) != datagram.size()) {
        messageBox(
            QStringLiteral("The command could not be sent: %1").arg(m_winsock->errorString()),
            errorTitle, Buttons::Ok, Icon::Error, this);
        return false;
    }
    return true;
}

void RconWindow::on_Command3_clicked()
{
    if (sendCommand(m_rcom->text()))
        refresh(true);
}

void RconWindow::on_kick_triggered()
{
    // The server drops the player at once; the list should say so.
    if (sendCommand(kickCommand(m_kickName)))
        refresh(true);
}

void RconWindow::on_Winsock1_readyRead()
{
    // Long console output comes as several datagrams; readyRead is not raised again for
    // the ones already waiting, so take them all.
    while (m_winsock->hasPendingDatagrams()) {
        const QNetworkDatagram d = m_winsock->receiveDatagram();
        // Only the server the commands go to may write to the console.
        if (!m_target.set || d.senderPort() != m_target.port ||
            !d.senderAddress().isEqual(m_target.address, QHostAddress::TolerantConversion))
            continue;
        showReply(d.data());
    }
}

void RconWindow::showReply(const QByteArray& datagram)
{
    switch (classifyRconReply(datagram)) {
    case RconReplyKind::BadPassword:
        messageBox(QStringLiteral("You supplied a bad RCON password"),
                   QStringLiteral("Bad RCON password"), Buttons::Ok, Icon::Warning, this);
        break;
    case RconReplyKind::Text:
        m_replies->add(rconReplyText(datagram));
        break;
    case RconReplyKind::Empty:
        messageBox(QStringLiteral("The server did not respond to sent packet"),
                   QStringLiteral("Server did not respond"), Buttons::Ok, Icon::Warning, this);
        break;
    }
}

void RconWindow::showReplyText(const QByteArray& text)
{
    if (text.isEmpty())
        return;
    QString shown = fromLatin1Bytes(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (!shown.endsWith(u'\n'))
        shown += u'\n';
    QTextCursor cursor(m_text4->document());
    cursor.movePosition(QTextCursor::End);
    const QPalette palette = m_text4->palette();
    for (const ColouredRun& run : colouredRuns(shown)) {
        QTextCharFormat format;
        format.setForeground(readableGameColour(run.colour, palette));
        format.setFontUnderline(run.alternate);
        cursor.insertText(run.text, format);
    }
    m_text4->moveCursor(QTextCursor::End);
    m_text4->ensureCursorVisible();
}

} // namespace fragdeck
