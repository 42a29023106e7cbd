#pragma once
// The useful-links window: a tree of categories and their links; a click on a link opens
// it in the user's browser.
#include <QDialog>

class QTreeWidget;
class QTreeWidgetItem;
class QPushButton;

namespace fragdeck::links
{

class LinkShelfWindow : public QDialog
{
    Q_OBJECT
public:
    // Fills the tree from the links file at `linksPath` (problems are shown once the
    // window is on screen, over what was read before them).
    explicit LinkShelfWindow(const QString& linksPath, QWidget* parent = nullptr);
    QTreeWidget* tree() const { return m_tree; }
    // The key stored on a node: the category name or the link's address.
    static QString keyOf(const QTreeWidgetItem* item);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void load(const QString& linksPath);
    void on_optiontree_itemClicked(QTreeWidgetItem* item);

    QTreeWidget* m_tree;
    QPushButton* m_return;
    QString m_loadError;
    bool m_errorShown = false;
};

} // namespace fragdeck::links
