#pragma once
// frm_quickconnect: starts the game joined to the server whose address the user types.
#include <QDialog>

class QLineEdit;

namespace fragdeck::launcher
{

// Starts the stored game with " +connect " + address in the game's folder. The message
// why it could not start, or empty when it started.
QString quickConnect(const QString& address);

class QuickConnectWindow : public QDialog
{
    Q_OBJECT
public:
    explicit QuickConnectWindow(QWidget* parent = nullptr);

private:
    void on_Command1_clicked();
    QLineEdit* m_text1;
};

} // namespace fragdeck::launcher
