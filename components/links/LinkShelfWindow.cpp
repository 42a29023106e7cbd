#include "LinkShelfWindow.h"

#include "LinksFile.h"
#include "gui/DialogButtons.h"
#include "gui/OpenInBrowser.h"
#include "gui/PlainText.h"
#include "gui/Prompts.h"

#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace fragdeck::links
{
namespace
{
constexpr int KeyRole = Qt::UserRole + 1;
}

LinkShelfWindow::LinkShelfWindow(const QString& linksPath, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmmain"));
    setWindowTitle(QStringLiteral("Useful links"));
    resize(440, 480);

    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("optiontree"));
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    m_tree->setRootIsDecorated(true);
    m_return = namedButton(this, "Command1", QStringLiteral("&Return"));

    auto* buttons = buttonRow({m_return});
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tree);
    layout->addLayout(buttons);

    connect(m_tree, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item, int) { on_optiontree_itemClicked(item); });
    connect(m_return, &QPushButton::clicked, this, &QDialog::accept);

    load(linksPath);
}

QString LinkShelfWindow::keyOf(const QTreeWidgetItem* item)
{
    return item ? item->data(0, KeyRole).toString() : QString();
}

void LinkShelfWindow::load(const QString& linksPath)
{
    const LinksFile file = loadLinks(linksPath);
    QHash<QString, QTreeWidgetItem*> categories;
    for (const QString& name : file.categories) {
        auto* node = new QTreeWidgetItem(m_tree, QStringList{name});
        node->setData(0, KeyRole, name);
        categories.insert(name, node);
    }
    for (const Link& link : file.links) {
        auto* node = new QTreeWidgetItem(categories.value(link.category), QStringList{link.text});
        node->setData(0, KeyRole, link.address);
        node->setToolTip(0, plainToolTip(link.address));
    }
    m_loadError = file.error;
}

void LinkShelfWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The message comes over the window, which already shows what was read.
    if (!m_loadError.isEmpty() && !m_errorShown) {
        m_errorShown = true;
        QTimer::singleShot(0, this, [this] {
            messageBox(m_loadError, QStringLiteral("Error"), Buttons::Ok, Icon::Error, this);
        });
    }
}

void LinkShelfWindow::on_optiontree_itemClicked(QTreeWidgetItem* item)
{
    // Categories only expand and collapse.
    if (!item || !item->parent())
        return;
    OpenInBrowser(keyOf(item), this);
}

} // namespace fragdeck::links
