#pragma once
// The server browser window: an address book of servers, the status of one of them, and
// the game started connected to it.
#include "StatusLists.h"

#include <QDialog>
#include <memory>

class QComboBox;
class QPushButton;

namespace fragdeck
{

class BrowserWindow : public QDialog
{
    Q_OBJECT
public:
    // addressBookPath: the address book file ("addbook.dat" in the component's folder).
    explicit BrowserWindow(const QString& addressBookPath, QWidget* parent = nullptr);
    ~BrowserWindow() override;

    QObject* engine() const { return m_engine.get(); }

    void on_Command7_clicked(); // Query
    void on_Command3_clicked(); // Add new server address
    void on_Command4_clicked(); // Remove current address
    void on_Command1_clicked(); // &Start
    void on_Command2_clicked(); // &Return
    // Closing by the title bar or Escape saves the address book too.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void loadWindow();
    // False (with a message shown) when the book could not be saved: the window stays.
    bool saveAddressBook();

    QString m_addressBookPath;
    QString m_q3path;
    QString m_configPath;
    // The book was read at load (or there was none yet), so the list is the whole book.
    bool m_bookLoaded = false;
    bool m_bookChanged = false; // an address was added or removed since the window opened
    std::unique_ptr<QObject> m_engine;
    QString m_engineProblem;
    bool m_querying = false;

    QComboBox* m_ipcombo = nullptr;
    StatusLists m_lists;
};

} // namespace fragdeck
