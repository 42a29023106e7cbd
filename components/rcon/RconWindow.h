#pragma once
// The remote admin window: a server's status, its remote console, and kicking players.
#include "gui/StatusLists.h"

#include <QDialog>
#include <QHostAddress>
#include <memory>

class QLineEdit;
class QMenu;
class QAction;
class QPlainTextEdit;
class QUdpSocket;

namespace fragdeck
{

class RconReplyJoiner;

class RconWindow : public QDialog
{
    Q_OBJECT
public:
    explicit RconWindow(QWidget* parent = nullptr);
    ~RconWindow() override;

    QObject* engine() const { return m_engine.get(); }
    const QString& kickName() const { return m_kickName; }
    // Joins the datagrams of a console reply before they are shown.
    RconReplyJoiner* replies() const { return m_replies; }

    void on_Command1_clicked(); // &Refresh
    void on_Command3_clicked(); // &Send
    void on_kick_triggered();   // &Kick

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The target of the console socket; false (after a message) when Text1/Text2 are unusable.
    bool setTarget();
    void refresh(bool afterSend);
    bool sendCommand(const QString& command);
    void on_Winsock1_readyRead();
    void showReply(const QByteArray& datagram);
    // Appends one whole reply to Text4 in the game's colours.
    void showReplyText(const QByteArray& text);

    std::unique_ptr<QObject> m_engine;
    QString m_engineProblem;
    bool m_querying = false;

    struct Target {
        bool set = false;
        QString host;
        QHostAddress address; // null when the host could not be found
        quint16 port = 0;
    } m_target;
    QString m_kickName;

    QLineEdit* m_text1 = nullptr;
    QLineEdit* m_text2 = nullptr;
    QLineEdit* m_text3 = nullptr;
    QPlainTextEdit* m_text4 = nullptr;
    QLineEdit* m_rcom = nullptr;
    QUdpSocket* m_winsock = nullptr;
    RconReplyJoiner* m_replies = nullptr;
    QMenu* m_kicker = nullptr;
    QAction* m_kick = nullptr;
    StatusLists m_lists;
};

} // namespace fragdeck
