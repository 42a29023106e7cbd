#pragma once
// frmFriendly: shows the current User Friendly strip, fetched right after the window
// opens, and fits the window around it.
#include <QDialog>

class QLabel;
class QPushButton;
class QTimer;

namespace fragdeck::launcher
{

class CartoonWindow : public QDialog
{
    Q_OBJECT
public:
    explicit CartoonWindow(QWidget* parent = nullptr);
    // Fetches and shows the strip; on failure tells the user and closes the window.
    void download();

private:
    void on_Timer1_timer();
    void placeBottomRow();
    int bottomRowWidth() const;

    QLabel* m_image1;
    QLabel* m_picCartoon;
    QLabel* m_label1;
    QLabel* m_label2;
    QPushButton* m_cmdClose;
    QTimer* m_timer1;
    bool m_started = false;
};

} // namespace fragdeck::launcher
