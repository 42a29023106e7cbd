#pragma once
// The key binder's windows: the list of actions and the key capture.
#include "Bindings.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace fragdeck::bind
{

// Waits for one key, mouse button or wheel turn and keeps its game name.
class KeyCapture : public QDialog
{
    Q_OBJECT
public:
    explicit KeyCapture(QWidget* parent = nullptr);
    QString key; // empty when cancelled

protected:
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void take(const QString& name);
    QLabel* m_area = nullptr;
};

class BindWindow : public QDialog
{
    Q_OBJECT
public:
    explicit BindWindow(QWidget* parent = nullptr);
    QTreeWidget* bindtree = nullptr;
    QLineEdit* customcommand = nullptr;
    const Bindings& bindings() const { return m_bindings; }
    // Binds key to command, asking before a key is taken from another command.
    void bindKeyTo(const QString& key, const QString& command);
    // Closing with unsaved changes asks whether to save them first.
    void done(int result) override;

private:
    void reload();
    void refresh();
    // Keeps the Keys column wide enough for its longest entry.
    void fitColumns();
    QString selectedCommand() const;
    void bindSelected();
    void bindCustom();
    void clearSelected();
    bool save();
    QString capture();

    QString m_path;
    Bindings m_bindings;
    QTreeWidgetItem* m_other = nullptr; // binds of commands the table does not list
};

} // namespace fragdeck::bind
