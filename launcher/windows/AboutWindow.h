#pragma once
// frm_about: the installed version, the maker's web address, and the update check.
#include <QDialog>
#include <QPixmap>

class QLabel;

namespace fragdeck::launcher
{

class AboutWindow : public QDialog
{
    Q_OBJECT
public:
    explicit AboutWindow(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void on_Command2_clicked();
    void on_Label3_click();

    QPixmap m_background;
    QLabel* m_ver;
};

} // namespace fragdeck::launcher
