#include "ServerListPanel.h"

#include "gui/ColouredText.h"
#include "gui/DialogButtons.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTreeView>
#include <QVBoxLayout>

namespace fragdeck
{

using browser::ServerTable;
using browser::Source;

static_assert(int(ServerTable::ColouredTextRole) == int(ColouredTextDelegate::ColouredTextRole));

namespace
{

constexpr int kAutoRefreshMs = 5 * 60 * 1000;
const Source kSources[] = {browser::Internet, browser::Lan, browser::Favourites, browser::History,
                           browser::WithFriends};

// The 16x11 flags of Debian's famfamfam-flag-png, by lower-case country code; a null
// pixmap (the code alone is shown) when the file is not there.
QPixmap flagOf(const QString& code)
{
    static QHash<QString, QPixmap> flags;
    const auto found = flags.constFind(code);
    if (found != flags.constEnd())
        return *found;
    QPixmap flag;
    const QString file =
        QStringLiteral("/usr/share/flags/countries/16x11/%1.png").arg(code.toLower());
    if (QFile::exists(file))
        flag.load(file);
    flags.insert(code, flag);
    return flag;
}

// Rows from the saved list are drawn in italics, servers that did not answer faded, the
// password column as a padlock and the country with its flag.
class ServerRowDelegate : public ColouredTextDelegate
{
public:
    using ColouredTextDelegate::ColouredTextDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        if (index.column() == ServerTable::Name && (option.state & QStyle::State_Selected)) {
            // Game colours on the highlight are hard to read: the selected name is plain.
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        if (index.column() != ServerTable::Password) {
            ColouredTextDelegate::paint(painter, option, index);
            return;
        }
        QStyledItemDelegate::paint(painter, option, index);
        if (!index.data(ServerTable::NeedPassRole).toBool())
            return;
        const QRectF r = option.rect;
        const double h = std::min(r.height() - 4, 14.0);
        const QRectF body(r.center().x() - h * 0.4, r.center().y() - h * 0.05, h * 0.8, h * 0.5);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(QPen(QColor(150, 110, 20), 1.6));
        painter->setBrush(Qt::NoBrush);
        painter->drawArc(
            QRectF(body.left() + h * 0.12, body.top() - h * 0.42, body.width() - h * 0.24, h * 0.8),
            0, 180 * 16);
        painter->setPen(Qt::NoPen);
        painter->setBrush(QColor(214, 165, 40));
        painter->drawRoundedRect(body, 1.5, 1.5);
        painter->setBrush(QColor(90, 60, 10));
        painter->drawEllipse(body.center(), h * 0.07, h * 0.07);
        painter->restore();
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        ColouredTextDelegate::initStyleOption(option, index);
        if (index.column() == ServerTable::Country) {
            const QString code = index.data(ServerTable::CountryRole).toString();
            const QPixmap flag = code.isEmpty() ? QPixmap() : flagOf(code);
            if (!flag.isNull()) {
                option->icon = QIcon(flag);
                option->features |= QStyleOptionViewItem::HasDecoration;
                option->decorationSize = flag.size();
            }
        }
        if (index.data(ServerTable::OldRole).toBool())
            option->font.setItalic(true);
        // A friend is on it.
        if (!index.data(ServerTable::FriendsRole).toStringList().isEmpty())
            option->font.setBold(true);
        const auto state = browser::RowState(index.data(ServerTable::StateRole).toInt());
        if (state == browser::RowState::NoReply || state == browser::RowState::CannotResolve ||
            index.data(ServerTable::OldRole).toBool()) {
            QColor faded = option->palette.color(QPalette::Text);
            faded.setAlphaF(0.55f);
            option->palette.setColor(QPalette::Text, faded);
        }
    }
};

QCheckBox* checkBox(QWidget* parent, const char* name, const QString& text, const QString& tip)
{
    auto* b = new QCheckBox(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(tip);
    return b;
}

} // namespace

ServerListPanel::ServerListPanel(browser::ServerBrowser* browser, QWidget* parent)
    : QWidget(parent), m_browser(browser),
      m_proxy(new browser::ServerFilterModel(&browser->table(), this))
{
    setObjectName(QStringLiteral("serverpanel"));
    m_sources = new QTabBar(this);
    m_sources->setObjectName(QStringLiteral("sources"));
    for (const char* name : {"Internet", "LAN", "Favourites", "History", "Friends"})
        m_sources->addTab(QLatin1String(name));
    m_sources->setExpanding(false);

    m_refresh = namedButton(this, "refresh", QStringLiteral("Refresh"));
    m_stop = namedButton(this, "stop", QStringLiteral("Stop"));
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progress"));
    m_progress->setTextVisible(true);
    m_progress->setMinimumWidth(280);
    m_autoRefreshBox =
        checkBox(this, "autorefresh", QStringLiteral("Auto-refresh"),
                 QStringLiteral("Refresh when the window opens and every 5 minutes"));

    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("search"));
    m_search->setPlaceholderText(QStringLiteral("Search name, map or address"));
    m_search->setClearButtonEnabled(true);
    m_player = new QLineEdit(this);
    m_player->setObjectName(QStringLiteral("findplayer"));
    m_player->setPlaceholderText(QStringLiteral("Find a player"));
    m_player->setClearButtonEnabled(true);
    m_countries = new QLineEdit(this);
    m_countries->setObjectName(QStringLiteral("countries"));
    m_countries->setPlaceholderText(QStringLiteral("Countries"));
    m_countries->setToolTip(
        QStringLiteral("Only servers in these countries: two-letter codes, e.g. \"DE FR NL\""));
    m_countries->setClearButtonEnabled(true);
    m_hideEmpty = checkBox(this, "hideempty", QStringLiteral("Hide empty"),
                           QStringLiteral("Hide servers without human players"));
    m_hideFull = checkBox(this, "hidefull", QStringLiteral("Hide full"),
                          QStringLiteral("Hide servers with every slot taken"));
    m_hideNoReply = checkBox(this, "hidenoreply", QStringLiteral("Hide no reply"),
                             QStringLiteral("Hide servers that did not answer"));
    m_noPassword = checkBox(this, "nopassword", QStringLiteral("No password"),
                            QStringLiteral("Hide servers that need a password"));
    m_gameType = new QComboBox(this);
    m_gameType->setObjectName(QStringLiteral("gametype"));
    m_gameType->addItem(QStringLiteral("Any game type"), -1);
    for (int g = 0; g <= 12; ++g)
        m_gameType->addItem(browser::gameTypeName(g), g);
    m_mod = new QComboBox(this);
    m_mod->setObjectName(QStringLiteral("mod"));
    m_mod->setEditable(true);
    m_mod->setInsertPolicy(QComboBox::NoInsert);
    m_mod->lineEdit()->setPlaceholderText(QStringLiteral("Any mod"));
    m_mod->setMinimumContentsLength(8);
    m_maxPing = new QSpinBox(this);
    m_maxPing->setObjectName(QStringLiteral("maxping"));
    m_maxPing->setRange(0, 999);
    m_maxPing->setSingleStep(25);
    m_maxPing->setSpecialValueText(QStringLiteral("Any ping"));
    m_maxPing->setSuffix(QStringLiteral(" ms"));
    m_maxPing->setPrefix(QStringLiteral("ping < "));

    m_view = new QTreeView(this);
    m_view->setObjectName(QStringLiteral("serverlist"));
    m_view->setModel(m_proxy);
    m_view->setRootIsDecorated(false);
    m_view->setUniformRowHeights(true);
    m_view->setAllColumnsShowFocus(true);
    m_view->setAlternatingRowColors(true);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setItemDelegate(new ServerRowDelegate(m_view));
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_view, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const int row = m_proxy->tableRow(m_view->indexAt(at));
        if (row < 0)
            return;
        std::unique_ptr<QMenu> menu(rowMenu(row));
        menu->exec(m_view->viewport()->mapToGlobal(at));
    });
    QHeaderView* header = m_view->header();
    // The name keeps its width whatever other columns a tab shows (the History tab's
    // Joined, the countries); the last column takes what room is left, and a scroll bar
    // the rest.
    header->setStretchLastSection(true);
    header->setSectionsMovable(true);
    const int widths[ServerTable::ColumnCount] = {230, 90, 56, 44,  40,  56, 84,
                                                  64,  24, 60, 150, 118, 58};
    for (int c = 0; c < ServerTable::ColumnCount; ++c)
        m_view->setColumnWidth(c, widths[c]);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("shown"));
    m_age = new QLabel(this);
    m_age->setObjectName(QStringLiteral("listage"));
    m_age->setWordWrap(true);
    // Names masters and servers gave: never markup.
    m_age->setTextFormat(Qt::PlainText);
    m_report = new QLabel(this);
    m_report->setObjectName(QStringLiteral("listreport"));
    m_report->setWordWrap(true);
    m_report->setTextFormat(Qt::PlainText);
    m_report->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* top = new QHBoxLayout;
    top->addWidget(m_sources);
    top->addStretch(1);
    top->addWidget(m_autoRefreshBox);
    top->addWidget(m_refresh);
    top->addWidget(m_stop);
    auto* filters1 = new QHBoxLayout;
    filters1->addWidget(m_search, 3);
    filters1->addWidget(m_player, 2);
    filters1->addWidget(m_countries, 1);
    filters1->addWidget(m_gameType);
    filters1->addWidget(m_mod);
    auto* filters2 = new QHBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(m_hideEmpty), static_cast<QWidget*>(m_hideFull),
                       static_cast<QWidget*>(m_hideNoReply), static_cast<QWidget*>(m_noPassword),
                       static_cast<QWidget*>(m_maxPing)})
        filters2->addWidget(w);
    filters2->addStretch(1);
    filters2->addWidget(m_count);
    auto* status = new QHBoxLayout;
    status->addWidget(m_progress, 1);
    status->addWidget(m_age, 2);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(top);
    layout->addLayout(filters1);
    layout->addLayout(filters2);
    layout->addWidget(m_view, 1);
    layout->addLayout(status);
    layout->addWidget(m_report);

    // The remembered view, then the signals that keep it remembered.
    m_saved = browser::ListView::load();
    showFilter(browser::ServerFilter::load());
    readFilter();
    m_autoRefreshBox->setChecked(m_saved.autoRefresh);
    m_view->setSortingEnabled(true);
    m_view->sortByColumn(m_saved.sortColumn, m_saved.sortOrder);
    setSource(m_saved.source);
    updateMods();
    m_loading = false;

    connect(m_sources, &QTabBar::currentChanged, this,
            [this](int i) { setSource(kSources[std::clamp(i, 0, int(std::size(kSources)) - 1)]); });
    connect(m_refresh, &QPushButton::clicked, this, &ServerListPanel::refresh);
    connect(m_stop, &QPushButton::clicked, m_browser, &browser::ServerBrowser::stop);
    connect(m_search, &QLineEdit::textChanged, this, &ServerListPanel::readFilter);
    connect(m_player, &QLineEdit::textChanged, this, &ServerListPanel::readFilter);
    connect(m_countries, &QLineEdit::textChanged, this, &ServerListPanel::readFilter);
    for (QCheckBox* b : {m_hideEmpty, m_hideFull, m_hideNoReply, m_noPassword})
        connect(b, &QCheckBox::toggled, this, &ServerListPanel::readFilter);
    connect(m_gameType, &QComboBox::currentIndexChanged, this, &ServerListPanel::readFilter);
    connect(m_mod, &QComboBox::currentTextChanged, this, &ServerListPanel::readFilter);
    connect(m_maxPing, &QSpinBox::valueChanged, this, &ServerListPanel::readFilter);
    connect(header, &QHeaderView::sortIndicatorChanged, this, &ServerListPanel::onSortChanged);
    connect(m_autoRefreshBox, &QCheckBox::toggled, this, [this](bool on) {
        m_saved.autoRefresh = on;
        m_saved.save();
        if (on)
            m_autoRefresh.start();
        else
            m_autoRefresh.stop();
    });
    m_autoRefresh.setInterval(kAutoRefreshMs);
    connect(&m_autoRefresh, &QTimer::timeout, this, [this] {
        if (!m_browser->isRunning())
            refresh();
    });
    if (m_saved.autoRefresh) {
        m_autoRefresh.start();
        QTimer::singleShot(0, this, &ServerListPanel::refresh);
    }

    connect(m_view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                const int row = m_proxy->tableRow(current);
                if (row >= 0)
                    Q_EMIT serverSelected(row);
            });
    connect(m_view, &QAbstractItemView::activated, this, [this](const QModelIndex& index) {
        const int row = m_proxy->tableRow(index);
        if (row >= 0)
            Q_EMIT serverActivated(row);
    });
    connect(m_browser, &browser::ServerBrowser::progressChanged, this,
            &ServerListPanel::updateProgress);
    connect(m_browser, &browser::ServerBrowser::finished, this, [this] {
        updateAge();
        updateMods();
    });
    // Counting walks the whole table: once for a burst of changes, not once per change.
    m_countTimer.setSingleShot(true);
    m_countTimer.setInterval(100);
    connect(&m_countTimer, &QTimer::timeout, this, &ServerListPanel::updateCount);
    const auto countLater = [this] {
        if (!m_countTimer.isActive())
            m_countTimer.start();
    };
    connect(m_proxy, &QAbstractItemModel::rowsInserted, this, countLater);
    connect(m_proxy, &QAbstractItemModel::rowsRemoved, this, countLater);
    connect(m_proxy, &QAbstractItemModel::modelReset, this, &ServerListPanel::updateCount);
    connect(m_proxy, &QAbstractItemModel::layoutChanged, this, countLater);
    connect(&m_browser->table(), &QAbstractItemModel::modelReset, this, [this] {
        updateAge();
        updateMods();
    });
    updateProgress();
    updateAge();
    updateCount();
}

void ServerListPanel::setSource(Source source)
{
    const int tab =
        int(std::find(std::begin(kSources), std::end(kSources), source) - std::begin(kSources));
    if (m_sources->currentIndex() != tab) {
        const QSignalBlocker block(m_sources);
        m_sources->setCurrentIndex(tab);
    }
    const Source before = m_proxy->source();
    m_proxy->setSource(source);
    // The history reads newest first; the other sources keep the player's own order.
    m_view->setColumnHidden(ServerTable::Joined, source != browser::History);
    m_sortingForSource = true;
    if (source == browser::History)
        m_view->sortByColumn(ServerTable::Joined, Qt::DescendingOrder);
    else if (before == browser::History || m_loading)
        m_view->sortByColumn(m_saved.sortColumn, m_saved.sortOrder);
    m_sortingForSource = false;
    if (!m_loading) {
        m_saved.source = source;
        m_saved.save();
    }
    updateAge();
    updateCount();
}

void ServerListPanel::onSortChanged(int column, Qt::SortOrder order)
{
    if (m_loading || m_sortingForSource || source() == browser::History)
        return;
    m_saved.sortColumn = column;
    m_saved.sortOrder = order;
    m_saved.save();
}

QMenu* ServerListPanel::rowMenu(int tableRow)
{
    auto* menu = new QMenu(this);
    const browser::ServerRow& r = m_browser->table().row(tableRow);
    QAction* hide = menu->addAction(QStringLiteral("Hide this server"));
    hide->setObjectName(QStringLiteral("hideserver"));
    connect(hide, &QAction::triggered, this, [this, tableRow] { Q_EMIT hideRequested(tableRow); });
    QAction* wait = menu->addAction(QStringLiteral("Join when a seat frees"));
    wait->setObjectName(QStringLiteral("seatwait"));
    wait->setEnabled(r.answered && !servers::hasFreeSeat(r.info));
    connect(wait, &QAction::triggered, this,
            [this, tableRow] { Q_EMIT seatWaitRequested(tableRow); });
    return menu;
}

int ServerListPanel::currentRow() const
{
    return m_proxy->tableRow(m_view->currentIndex());
}

bool ServerListPanel::selectRow(int tableRow)
{
    const QModelIndex index =
        m_proxy->mapFromSource(m_browser->table().index(tableRow, ServerTable::Name));
    if (!index.isValid())
        return false;
    m_view->setCurrentIndex(index);
    m_view->scrollTo(index);
    return true;
}

void ServerListPanel::refresh()
{
    m_browser->refresh(source());
    updateProgress();
}

void ServerListPanel::showFilter(const browser::ServerFilter& f)
{
    m_search->setText(f.search);
    m_player->setText(f.player);
    m_countries->setText(f.countries.join(u' '));
    m_hideEmpty->setChecked(f.hideEmpty);
    m_hideFull->setChecked(f.hideFull);
    m_hideNoReply->setChecked(f.hideNoReply);
    m_noPassword->setChecked(f.noPassword);
    m_gameType->setCurrentIndex(std::max(0, m_gameType->findData(f.gameType)));
    m_mod->setEditText(f.mod);
    m_maxPing->setValue(f.maxPing);
}

void ServerListPanel::readFilter()
{
    browser::ServerFilter f;
    f.search = m_search->text();
    f.player = m_player->text();
    f.countries = browser::ServerFilter::parseCountries(m_countries->text());
    f.hideEmpty = m_hideEmpty->isChecked();
    f.hideFull = m_hideFull->isChecked();
    f.hideNoReply = m_hideNoReply->isChecked();
    f.noPassword = m_noPassword->isChecked();
    f.gameType = m_gameType->currentData().toInt();
    f.mod = m_mod->currentText().trimmed();
    f.maxPing = m_maxPing->value();
    m_proxy->setFilter(f);
    if (!m_loading)
        f.save();
    updateCount();
}

void ServerListPanel::updateProgress()
{
    const browser::ServerBrowser::Progress p = m_browser->progress();
    const int total = p.answered + p.noReply + p.pending;
    const bool running = m_browser->isRunning();
    m_progress->setRange(0, std::max(1, total));
    m_progress->setValue(total == 0 ? (running ? 0 : 1) : p.answered + p.noReply);
    m_progress->setFormat(QStringLiteral("%1 answered, %2 no reply, %3 pending")
                              .arg(p.answered)
                              .arg(p.noReply)
                              .arg(p.pending));
    m_stop->setEnabled(running);
    m_refresh->setEnabled(!running);
}

void ServerListPanel::updateAge()
{
    const QString report = m_browser->report(source());
    m_report->setText(report);
    m_report->setVisible(!report.isEmpty());
    if (!m_browser->isOld(source()) || !m_browser->cacheTime().isValid()) {
        m_age->setText(m_browser->cacheError().isEmpty()
                           ? QString()
                           : QStringLiteral("The saved list could not be read: %1")
                                 .arg(m_browser->cacheError()));
        return;
    }
    QString text =
        QStringLiteral("Saved list of %1, not refreshed yet.")
            .arg(QLocale().toString(m_browser->cacheTime().toLocalTime(), QLocale::ShortFormat));
    if (!m_browser->cacheError().isEmpty())
        text += u' ' + m_browser->cacheError();
    m_age->setText(text);
}

void ServerListPanel::updateCount()
{
    int inSource = 0;
    const browser::ServerTable& t = m_browser->table();
    for (int i = 0; i < t.size(); ++i)
        inSource += (source() == browser::WithFriends ? !t.row(i).friends.isEmpty()
                                                      : (t.row(i).sources & source()))
                        ? 1
                        : 0;
    m_count->setText(QStringLiteral("%1 of %2 servers").arg(m_proxy->rowCount()).arg(inSource));
}

void ServerListPanel::updateMods()
{
    QSet<QString> seen;
    const browser::ServerTable& t = m_browser->table();
    for (int i = 0; i < t.size(); ++i)
        if (!t.row(i).info.gamename.isEmpty())
            seen.insert(t.row(i).info.gamename);
    QStringList mods(seen.begin(), seen.end());
    mods.sort(Qt::CaseInsensitive);
    const QString text = m_mod->currentText();
    const QSignalBlocker block(m_mod);
    m_mod->clear();
    m_mod->addItem(QString());
    m_mod->addItems(mods);
    m_mod->setEditText(text);
}

} // namespace fragdeck
