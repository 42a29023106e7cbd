#pragma once
// frm_search: the small modal window that searches one drive for the game.
#include "GameLocator.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTimer;

namespace fragdeck::launcher
{

// The locator's shared variables, seen by the main window's drive loop and frm_search.
struct LocatorShared {
    QString FoundFolder;  // folder of the program, "__" after a cancel, or empty
    QString FoundProgram; // the program's name in that folder
    QString SearchStart;  // root of the current drive search
    QString SearchFile = QStringLiteral("quake3.exe");
    bool Searching = false;
};
LocatorShared& locatorShared();

class SearchWindow : public QDialog
{
    Q_OBJECT
public:
    explicit SearchWindow(QWidget* parent = nullptr);
    ~SearchWindow() override;

    GameLocator& locator() { return m_locator; }
    bool searchRunning() const { return m_running; }

    void reject() override; // Escape asks like the cancel button
protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void on_Command1_clicked();
    void on_Timer1_timeout();

    GameLocator m_locator;
    QLabel* m_lbl = nullptr;
    QLabel* m_slbl = nullptr;
    QPushButton* m_command1 = nullptr;
    QTimer* m_timer1 = nullptr;
    bool m_running = false;
    bool m_done = false;
};

} // namespace fragdeck::launcher
