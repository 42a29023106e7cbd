#include "DemoWindow.h"

#include "core/Paths.h"
#include "game/GameScript.h"
#include "game/GameText.h"
#include "gui/DialogButtons.h"
#include "gui/PictureBox.h"
#include "gui/PictureDisplay.h"
#include "gui/PlainText.h"
#include "gui/Prompts.h"
#include "servers/Friends.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace fragdeck::demos
{
namespace
{

constexpr int NameRole = Qt::UserRole;      // column 0: the name the script uses
constexpr int IndexRole = Qt::UserRole + 1; // column 0: the demo's place in demos()
constexpr int SortRole = Qt::UserRole + 2;  // every column: what it sorts by

// Sorts each column by its own key: numbers as numbers, text without regard to case.
class DemoItem : public QTreeWidgetItem
{
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        const QVariant a = data(column, SortRole), b = other.data(column, SortRole);
        if (a.typeId() == QMetaType::QString || b.typeId() == QMetaType::QString)
            return a.toString().compare(b.toString(), Qt::CaseInsensitive) < 0;
        return a.toLongLong() < b.toLongLong();
    }
};

// What the picture box shows under a level shot, or instead of one.
QImage backdrop(const QSize& size, const QString& text)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(40, 42, 46));
    if (!text.isEmpty()) {
        QPainter p(&image);
        p.setPen(QColor(170, 170, 170));
        p.drawText(image.rect(), Qt::AlignCenter | Qt::TextWordWrap, text);
    }
    return image;
}

void setCell(QTreeWidgetItem* item, int column, const QString& text, const QVariant& sortKey,
             const QString& tip = QString())
{
    item->setText(column, text);
    item->setData(column, SortRole, sortKey);
    item->setToolTip(column, plainToolTip(tip));
}

} // namespace

DemoWindow::DemoWindow(QWidget* parent)
    : QDialog(parent), m_unzip(archive::UnzipVariant::PrefixFilter)
{
    setObjectName(QStringLiteral("frm_main"));
    setWindowTitle(QStringLiteral("View demos"));

    auto* label = new QLabel(QStringLiteral("Available demos"), this);
    auto* filterLabel = new QLabel(QStringLiteral("&Filter:"), this);
    demofilter = new QLineEdit(this);
    demofilter->setObjectName(QStringLiteral("demofilter"));
    demofilter->setPlaceholderText(QStringLiteral("map, server or player"));
    demofilter->setClearButtonEnabled(true);
    demofilter->setMinimumWidth(240);
    filterLabel->setBuddy(demofilter);

    list_demos = new QTreeWidget(this);
    list_demos->setObjectName(QStringLiteral("list_demos"));
    list_demos->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_demos->setRootIsDecorated(false);
    list_demos->setUniformRowHeights(true);
    list_demos->setAllColumnsShowFocus(true);
    list_demos->setHeaderLabels({QStringLiteral("Demo"), QStringLiteral("Map"),
                                 QStringLiteral("Server"), QStringLiteral("Players"),
                                 QStringLiteral("Game type"), QStringLiteral("Length"),
                                 QStringLiteral("Date")});
    // Listed in scan order until a column header is clicked.
    list_demos->header()->setSectionsClickable(true);
    list_demos->header()->setSortIndicatorShown(false);
    list_demos->setMinimumSize(620, 300);
    list_demos->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list_demos, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (QTreeWidgetItem* item = list_demos->itemAt(at)) {
            std::unique_ptr<QMenu> menu(demoMenu(item));
            menu->exec(list_demos->viewport()->mapToGlobal(at));
        }
    });

    cloop = new QCheckBox(QStringLiteral("Continuous loop"), this);
    cloop->setObjectName(QStringLiteral("cloop"));
    Command1 = namedButton(this, "Command1", QStringLiteral("&Start"));
    Command2 = namedButton(this, "Command2", QStringLiteral("&Return"));
    // The level-shot index, kept hidden as in the match starter.
    List_levelshots = new QListWidget(this);
    List_levelshots->setObjectName(QStringLiteral("List_levelshots"));
    List_levelshots->hide();

    shotcaption = new QLabel(QStringLiteral("Levelshot"), this);
    shotcaption->setObjectName(QStringLiteral("shotcaption"));
    // Map, server and player names are whatever the recording holds.
    shotcaption->setTextFormat(Qt::PlainText);
    Picture1 = new archive::PictureBox(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setFixedSize(256, 192);
    demoinfo = new QLabel(this);
    demoinfo->setObjectName(QStringLiteral("demoinfo"));
    demoinfo->setTextFormat(Qt::PlainText);
    demoinfo->setWordWrap(true);
    demoinfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    demoinfo->setTextInteractionFlags(Qt::TextSelectableByMouse);
    demoinfo->setFixedWidth(256);

    auto* top = new QHBoxLayout;
    top->addWidget(label);
    top->addStretch(1);
    top->addWidget(filterLabel);
    top->addWidget(demofilter);
    auto* side = new QVBoxLayout;
    side->addWidget(shotcaption);
    side->addWidget(Picture1);
    side->addWidget(demoinfo, 1);
    auto* middle = new QHBoxLayout;
    middle->addWidget(list_demos, 1);
    middle->addLayout(side);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cloop);
    buttons->addStretch(1);
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    auto* l = new QVBoxLayout(this);
    l->addLayout(top);
    l->addLayout(middle, 1);
    l->addLayout(buttons);
    resize(1040, 560);

    m_reads = new archive::DemoReadQueue(this);
    connect(m_reads, &archive::DemoReadQueue::demoRead, this, &DemoWindow::onDemoRead);
    connect(demofilter, &QLineEdit::textChanged, this, &DemoWindow::on_demofilter_textChanged);
    connect(list_demos->header(), &QHeaderView::sectionClicked, this,
            &DemoWindow::on_list_demos_headerClicked);
    connect(list_demos, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { showDemo(current); });
    connect(Command1, &QPushButton::clicked, this, &DemoWindow::on_Command1_clicked);
    connect(Command2, &QPushButton::clicked, this, &QDialog::close);

    loadWindow();
}

DemoWindow::~DemoWindow()
{
    // The read under way stops before the rows it would update are gone.
    delete m_reads;
}

void DemoWindow::loadWindow()
{
    Picture1->drawImage(backdrop(Picture1->size(), QStringLiteral("No demo chosen")));
    m_install = GameInstall::fromSettings();
    if (m_install.configPath.isEmpty())
        return;
    m_played = playedDemoProtocols(m_install.program);
    // An installed component folder is read-only: scratch files live with the user's data.
    m_scratch = userDataFolder(QStringLiteral("reelgate/temp")) + u'/';
    {
        WaitCursor wait;
        const QString listFolder = userDataFolder(QStringLiteral("reelgate/test")) + u'/';
        m_demos = scanDemos(m_install.dataFolders(), m_unzip, listFolder);
        QList<archive::DemoSource> sources;
        for (const Demo& d : m_demos)
            sources.append(d.source);
        // The game states are quick to read; the lengths follow from the queue.
        m_infos = archive::readGameStates(sources, &m_dates);
        m_levelShots = scanLevelShots(m_install.dataFolders(), m_unzip, listFolder);
    }
    for (const archive::LevelShot& s : m_levelShots)
        List_levelshots->addItem(s.indexText());

    list_demos->setUpdatesEnabled(false);
    for (int i = 0; i < m_demos.size(); ++i) {
        auto* item = new DemoItem(list_demos);
        item->setData(ColDemo, NameRole, m_demos[i].name);
        item->setData(ColDemo, IndexRole, i);
        fillRow(item, i);
        if (m_infos[i].readable) {
            m_reads->add(i, m_demos[i].source);
            ++m_beingRead;
        }
    }
    for (int c = 0; c < list_demos->columnCount(); ++c) {
        list_demos->resizeColumnToContents(c);
        list_demos->setColumnWidth(c, list_demos->columnWidth(c) + 12);
    }
    list_demos->setColumnWidth(ColServer, std::min(list_demos->columnWidth(ColServer), 200));
    list_demos->setUpdatesEnabled(true);
    // The first demo is shown, not selected: only what the player picks is started.
    if (list_demos->topLevelItemCount() > 0)
        list_demos->selectionModel()->setCurrentIndex(list_demos->model()->index(0, 0),
                                                      QItemSelectionModel::NoUpdate);
}

void DemoWindow::fillRow(QTreeWidgetItem* item, int index)
{
    const Demo& d = m_demos[index];
    const DemoInfo& info = m_infos[index];
    setCell(item, ColDemo, d.text, d.text, d.source.displayName());
    const QDateTime& date = m_dates.value(index);
    setCell(item, ColDate,
            date.isValid() ? date.toString(QStringLiteral("yyyy-MM-dd HH:mm")) : QString(),
            date.isValid() ? date.toSecsSinceEpoch() : 0);
    const QString unplayable = demoProtocolProblem(d.name, m_played);
    if (!unplayable.isEmpty()) {
        // Greyed, and saying why, but still listed: what it holds can be read.
        setCell(item, ColDemo, d.text, d.text, d.source.displayName() + u'\n' + unplayable);
        for (int c = 0; c < list_demos->columnCount(); ++c)
            item->setForeground(c, palette().brush(QPalette::Disabled, QPalette::Text));
    }
    if (!info.readable) {
        for (int c = ColMap; c < ColDate; ++c)
            setCell(item, c, QString(), QString(), info.error);
        setCell(item, ColMap, QStringLiteral("(unreadable)"), QString(), info.error);
        item->setForeground(ColMap, palette().brush(QPalette::Disabled, QPalette::Text));
        return;
    }
    setCell(item, ColMap, info.map, info.map);
    const QString server = withoutColourCodes(info.server);
    setCell(item, ColServer, server, server, server);
    setCell(item, ColPlayers, QString::number(info.players.size()), qlonglong(info.players.size()),
            archive::playerLines(info).join(u'\n'));
    item->setTextAlignment(ColPlayers, Qt::AlignRight | Qt::AlignVCenter);
    const QString type = gameTypeName(info.gameType);
    setCell(item, ColGameType, type, type,
            info.scoreKnown
                ? QStringLiteral("red %1, blue %2").arg(info.redScore).arg(info.blueScore)
                : QString());
    if (info.lengthKnown)
        setCell(item, ColLength, formatDuration(info.durationMs), info.durationMs);
    else
        setCell(item, ColLength, info.wholeRead ? QStringLiteral("?") : QStringLiteral("..."),
                qlonglong(-1), info.wholeRead ? info.note : QStringLiteral("being read"));
    item->setTextAlignment(ColLength, Qt::AlignRight | Qt::AlignVCenter);
}

void DemoWindow::onDemoRead(int index, const DemoInfo& info)
{
    if (index < 0 || index >= m_infos.size())
        return;
    --m_beingRead;
    if (info.readable) {
        m_infos[index] = info;
    } else {
        // What the game state said stands; only the length stays unknown.
        m_infos[index].wholeRead = true;
        m_infos[index].note = info.error;
    }
    for (int i = 0; i < list_demos->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list_demos->topLevelItem(i);
        if (item->data(ColDemo, IndexRole).toInt() != index)
            continue;
        fillRow(item, index);
        item->setHidden(!demoMatches(m_demos[index], m_infos[index], demofilter->text()));
        if (item == list_demos->currentItem())
            demoinfo->setText(summaryOf(index));
        break;
    }
    // Lengths and players came in: a list sorted by them is sorted again once, at the end.
    if (m_beingRead == 0 && m_sortColumn >= 0)
        list_demos->sortItems(m_sortColumn, m_sortOrder);
}

QMenu* DemoWindow::demoMenu(QTreeWidgetItem* item)
{
    auto* menu = new QMenu(this);
    QMenu* add = menu->addMenu(QStringLiteral("Add to friends"));
    add->setObjectName(QStringLiteral("addfriend"));
    const int index = item->data(ColDemo, IndexRole).toInt();
    QStringList names;
    if (index >= 0 && index < m_infos.size())
        for (const DemoPlayer& p : m_infos[index].players) {
            const QString name = withoutColourCodes(p.name).trimmed();
            if (!name.isEmpty() && !names.contains(name))
                names.append(name);
        }
    for (const QString& name : names)
        connect(add->addAction(name), &QAction::triggered, this,
                [name] { servers::addFriend(name); });
    add->setEnabled(!names.isEmpty());
    return menu;
}

QString DemoWindow::summaryOf(int index) const
{
    const QString unplayable = demoProtocolProblem(m_demos[index].name, m_played);
    const QString summary = archive::demoSummary(m_infos[index]);
    if (unplayable.isEmpty())
        return summary;
    return QStringLiteral("Cannot be played: ") + unplayable + QStringLiteral(".\n\n") + summary;
}

void DemoWindow::showDemo(QTreeWidgetItem* item)
{
    if (!item) {
        demoinfo->clear();
        return;
    }
    const int index = item->data(ColDemo, IndexRole).toInt();
    demoinfo->setText(summaryOf(index));
    showLevelShot(m_infos[index].readable ? m_infos[index].map : QString());
}

void DemoWindow::showLevelShot(const QString& map)
{
    const archive::LevelShot* shot =
        map.isEmpty() ? nullptr : archive::findLevelShot(m_levelShots, map);
    const QString file = shot ? archive::extractLevelShot(m_unzip, *shot, m_scratch) : QString();
    m_shownLevelShot.clear();
    if (file.isEmpty()) {
        shotcaption->setText(map.isEmpty() ? QStringLiteral("Levelshot")
                                           : QStringLiteral("No level shot of ") + map);
        Picture1->drawImage(backdrop(Picture1->size(), QStringLiteral("No level shot")));
    } else {
        // A smaller picture leaves the backdrop around it, not the previous one.
        Picture1->drawImage(backdrop(Picture1->size(), QString()));
        archive::NViewLibShowPicutre(Picture1, file, 0, archive::PictureVariant::FixedBox);
        m_shownLevelShot = file;
        shotcaption->setText(QStringLiteral("Levelshot: ") + map);
    }
    Picture1->update();
}

void DemoWindow::on_demofilter_textChanged(const QString& text)
{
    for (int i = 0; i < list_demos->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list_demos->topLevelItem(i);
        const int index = item->data(ColDemo, IndexRole).toInt();
        const bool hide = !demoMatches(m_demos[index], m_infos[index], text);
        item->setHidden(hide);
        if (hide)
            item->setSelected(false);
    }
}

void DemoWindow::on_list_demos_headerClicked(int column)
{
    m_sortOrder = column == m_sortColumn && m_sortOrder == Qt::AscendingOrder ? Qt::DescendingOrder
                                                                              : Qt::AscendingOrder;
    m_sortColumn = column;
    list_demos->header()->setSortIndicatorShown(true);
    list_demos->header()->setSortIndicator(column, m_sortOrder);
    list_demos->sortItems(column, m_sortOrder);
}

QStringList DemoWindow::selectedNames() const
{
    QStringList out;
    for (int i = 0; i < list_demos->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list_demos->topLevelItem(i);
        if (item->isSelected() && !item->isHidden())
            out.append(item->data(ColDemo, NameRole).toString());
    }
    return out;
}

void DemoWindow::on_Command1_clicked()
{
    const QStringList names = selectedNames();
    QString problem = scriptStartProblem(m_install, DemoScriptName);
    if (problem.isEmpty())
        problem = demoSelectionProblem(names);
    if (problem.isEmpty()) {
        QStringList refused;
        for (const QString& name : names)
            if (const QString why = demoProtocolProblem(name, m_played); !why.isEmpty())
                refused.append(name + QStringLiteral(": ") + why);
        if (!refused.isEmpty())
            problem = QStringLiteral("The game cannot play ") +
                      (refused.size() == 1 ? QStringLiteral("this demo")
                                           : QStringLiteral("these demos")) +
                      QStringLiteral(":\n") + refused.join(u'\n') +
                      QStringLiteral("\nNothing was written or started.");
    }
    if (!problem.isEmpty()) {
        messageBox(problem, windowTitle(), Buttons::Ok, Icon::Warning, this);
        return;
    }
    QString error;
    if (!writeScriptAndStart(m_install, DemoScriptName, demoScript(names, cloop->isChecked()),
                             demoStartArguments(), QString(), nullptr, &error))
        messageBox(error, windowTitle(), Buttons::Ok, Icon::Warning, this);
}

} // namespace fragdeck::demos
