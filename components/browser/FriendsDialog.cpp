#include "FriendsDialog.h"

#include "gui/DialogButtons.h"
#include "gui/Prompts.h"
#include "servers/Friends.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace fragdeck
{
namespace
{

QStringList itemsOf(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out.append(list->item(i)->text());
    return out;
}

} // namespace

FriendsDialog::FriendsDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frm_friends"));
    setWindowTitle(QStringLiteral("Friends"));
    auto* friendsLabel = new QLabel(QStringLiteral("Friends (* stands for any characters):"), this);
    m_friends = new QListWidget(this);
    m_friends->setObjectName(QStringLiteral("friendlist"));
    m_friends->addItems(servers::loadFriends());
    auto* add = namedButton(this, "addfriendbutton", QStringLiteral("Add..."));
    auto* remove = namedButton(this, "removefriend", QStringLiteral("Remove"));
    auto* hiddenLabel = new QLabel(QStringLiteral("Hidden servers:"), this);
    m_hidden = new QListWidget(this);
    m_hidden->setObjectName(QStringLiteral("hiddenlist"));
    m_hidden->addItems(servers::loadHidden());
    auto* show = namedButton(this, "showagain", QStringLiteral("Show again"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QGridLayout(this);
    layout->addWidget(friendsLabel, 0, 0, 1, 2);
    layout->addWidget(m_friends, 1, 0, 3, 1);
    layout->addWidget(add, 1, 1);
    layout->addWidget(remove, 2, 1);
    layout->addWidget(hiddenLabel, 4, 0, 1, 2);
    layout->addWidget(m_hidden, 5, 0, 2, 1);
    layout->addWidget(show, 5, 1);
    layout->addWidget(buttons, 7, 0, 1, 2);
    layout->setRowStretch(3, 1);
    layout->setRowStretch(6, 1);
    connect(add, &QPushButton::clicked, this, [this] {
        const QString name = inputBox(QStringLiteral("A friend's name, * for any characters:"),
                                      QStringLiteral("Friends"), QString(), this)
                                 .trimmed();
        if (!name.isEmpty() && m_friends->findItems(name, Qt::MatchFixedString).isEmpty())
            m_friends->addItem(name);
    });
    connect(remove, &QPushButton::clicked, this, [this] { delete m_friends->currentItem(); });
    connect(show, &QPushButton::clicked, this, [this] { delete m_hidden->currentItem(); });
    connect(buttons, &QDialogButtonBox::accepted, this, &FriendsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void FriendsDialog::accept()
{
    servers::saveFriends(itemsOf(m_friends));
    servers::saveHidden(itemsOf(m_hidden));
    QDialog::accept();
}

} // namespace fragdeck
