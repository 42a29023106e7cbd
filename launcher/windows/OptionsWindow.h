#pragma once
// frm_options: the game, server browser and configuration paths, and "auto-repair".
#include <QDialog>

class QLineEdit;
class QPushButton;

namespace fragdeck::launcher
{

class OptionsWindow : public QDialog
{
    Q_OBJECT
public:
    explicit OptionsWindow(QWidget* parent = nullptr);

private:
    void on_brw_clicked();
    void on_Command4_clicked();
    void on_Command5_clicked();
    void on_Command1_clicked();
    void on_Command2_clicked();

    QLineEdit* m_q3path;
    QLineEdit* m_browserpath;
    QLineEdit* m_q3config;
};

} // namespace fragdeck::launcher
