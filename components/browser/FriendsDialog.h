#pragma once
// The Friends dialog: the friends' name patterns, to add and remove, and the hidden
// servers, to show again. Saved to the store when it closes with OK.
#include <QDialog>

class QListWidget;

namespace fragdeck
{

class FriendsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit FriendsDialog(QWidget* parent = nullptr);
    void accept() override;

private:
    QListWidget* m_friends = nullptr;
    QListWidget* m_hidden = nullptr;
};

} // namespace fragdeck
