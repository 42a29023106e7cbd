#include "StarterWindow.h"

#include "core/Activation.h"
#include "core/Clock.h"
#include "core/Paths.h"
#include "gui/DialogButtons.h"
#include "gui/PictureBox.h"
#include "gui/PictureDisplay.h"
#include "gui/Prompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

static void initKickgateResources()
{
    Q_INIT_RESOURCE(kickgate);
}

namespace fragdeck::starter
{
namespace
{

constexpr int KeyRole = Qt::UserRole;
constexpr int TagRole = Qt::UserRole + 1;

QLineEdit* textBox(QWidget* parent, const char* name, const char* text)
{
    auto* e = new QLineEdit(QString::fromLatin1(text), parent);
    e->setObjectName(QLatin1String(name));
    return e;
}

QComboBox* list(QWidget* parent, const char* name, const QStringList& items)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->addItems(items);
    c->setCurrentIndex(0);
    return c;
}

} // namespace

QList<StartedGame>& StarterWindow::startedGames()
{
    static QList<StartedGame> started;
    return started;
}

StartedGame& StarterWindow::lastStarted()
{
    QList<StartedGame>& all = startedGames();
    if (all.isEmpty())
        all.append(StartedGame());
    return all.last();
}

namespace
{

QList<const StartedGame*> stillRunning()
{
    QList<const StartedGame*> out;
    for (const StartedGame& g : StarterWindow::startedGames())
        if (g.pid != 0 && g.running())
            out.append(&g);
    return out;
}

} // namespace

StarterWindow::StarterWindow(QWidget* parent)
    : QDialog(parent), m_unzip(archive::UnzipVariant::PrefixFilter)
{
    initKickgateResources();
    setObjectName(QStringLiteral("frm_main"));
    setWindowTitle(QStringLiteral("Start Q3A Server"));

    list_maps1 = new QTreeWidget(this);
    list_maps1->setObjectName(QStringLiteral("list_maps1"));
    list_maps1->setHeaderHidden(true);
    list_maps1->setMinimumSize(240, 320);

    auto* shotLabel = new QLabel(QStringLiteral("Levelshot"), this);
    shotLabel->setObjectName(QStringLiteral("shotcaption"));
    Picture1 = new archive::PictureBox(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setFixedSize(256, 192);
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    m_defaultPicture = QImage(QStringLiteral(":/kickgate/nolevelshot.jpg"));
    Image1->setPixmap(QPixmap::fromImage(m_defaultPicture));
    Image1->hide();

    mapcycle = new QCheckBox(QStringLiteral("&Map Cycle"), this);
    mapcycle->setObjectName(QStringLiteral("mapcycle"));
    ch_cheat = new QCheckBox(QStringLiteral("Enable cheats"), this);
    ch_cheat->setObjectName(QStringLiteral("ch_cheat"));
    Command1 = namedButton(this, "Command1", "&Start");
    Command2 = namedButton(this, "Command2", "&Return");
    Command5 = namedButton(this, "Command5", "&Server configuration");
    Command7 = namedButton(this, "Command7", "S&top server");
    Command7->hide();
    startinfo = new QLabel(this);
    startinfo->setObjectName(QStringLiteral("startinfo"));
    // It names the maps, from the player's archives.
    startinfo->setTextFormat(Qt::PlainText);
    startinfo->setWordWrap(true);
    startinfo->setFixedWidth(256);
    startinfo->hide();

    List_levelshots = new QListWidget(this);
    List_levelshots->setObjectName(QStringLiteral("List_levelshots"));
    List_levelshots->hide();

    auto* right = new QVBoxLayout;
    right->addWidget(shotLabel);
    right->addWidget(Picture1);
    right->addWidget(mapcycle);
    right->addWidget(ch_cheat);
    right->addStretch(1);
    right->addWidget(startinfo);
    right->addWidget(Command7);
    right->addWidget(Command5);
    right->addWidget(Command1);
    right->addWidget(Command2);
    auto* top = new QHBoxLayout(this);
    top->addWidget(list_maps1, 1);
    top->addLayout(right);

    // The options panel lies over the window when shown; it is not part of the layout.
    Frame2 = new QGroupBox(QStringLiteral("Options"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Frame3 = new QGroupBox(QStringLiteral("Server Configuration"), Frame2);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    rcon = textBox(Frame3, "rcon", "tqmzrv");
    dedicated = list(Frame3, "dedicated", dedicatedNames());
    max = textBox(Frame3, "max", "8");
    gtype = list(Frame3, "gtype", gameTypeNames());
    tlimit = textBox(Frame3, "tlimit", "20");
    flimit = textBox(Frame3, "flimit", "20");
    auto* grid = new QGridLayout(Frame3);
    const std::pair<const char*, QWidget*> rows[] = {
        {"RCON passw.", rcon}, {"Dedicated", dedicated}, {"Max clients", max},
        {"Gametype", gtype},   {"Timelimit", tlimit},    {"Fraglimit", flimit}};
    int row = 0;
    for (const auto& [label, field] : rows) {
        grid->addWidget(new QLabel(QString::fromLatin1(label), Frame3), row, 0);
        grid->addWidget(field, row, 1);
        ++row;
    }
    Command6 = namedButton(Frame2, "Command6", "&Return");
    auto* panel = new QVBoxLayout(Frame2);
    panel->addWidget(Frame3);
    panel->addWidget(Command6, 0, Qt::AlignRight);
    Frame2->setAutoFillBackground(true);
    Frame2->hide();
    // The panel lies over the map tree only, so the level shot and the check boxes beside
    // it stay in view: the tree is at least as wide as the panel.
    list_maps1->setMinimumWidth(std::max(list_maps1->minimumWidth(), Frame2->sizeHint().width()));

    // Whether what was started still runs (the player may quit it from the game).
    m_watch = new QTimer(this);
    m_watch->setInterval(1000);
    connect(m_watch, &QTimer::timeout, this, &StarterWindow::showStarted);

    connect(list_maps1, &QTreeWidget::itemChanged, this, &StarterWindow::on_list_maps1_itemChanged);
    connect(list_maps1, &QTreeWidget::itemClicked, this, &StarterWindow::on_list_maps1_itemClicked);
    connect(Command1, &QPushButton::clicked, this, &StarterWindow::on_Command1_clicked);
    connect(Command2, &QPushButton::clicked, this, &QDialog::close);
    connect(Command5, &QPushButton::clicked, this, &StarterWindow::on_Command5_clicked);
    connect(Command6, &QPushButton::clicked, this, &StarterWindow::on_Command6_clicked);
    connect(Command7, &QPushButton::clicked, this, &StarterWindow::on_Command7_clicked);

    loadWindow();
    showStarted();
}

StarterWindow::~StarterWindow() = default;

void StarterWindow::showDefaultPicture()
{
    Picture1->drawImage(m_defaultPicture);
    m_shownPicture.clear();
}

void StarterWindow::loadWindow()
{
    showDefaultPicture();
    m_install = GameInstall::fromSettings();
    if (m_install.configPath.isEmpty())
        return;
    // An installed component folder is read-only: scratch files live with the user's data.
    m_scratch = userDataFolder(QStringLiteral("kickgate/temp")) + u'/';
    {
        WaitCursor wait;
        m_scan = scanMaps(m_install.dataFolders(), m_unzip,
                          userDataFolder(QStringLiteral("kickgate/test")) + u'/');
    }
    for (const LevelShot& s : m_scan.levelShots)
        List_levelshots->addItem(s.indexText());

    const QSignalBlocker block(list_maps1);
    for (const TopNode& node : m_scan.nodes) {
        auto* top = new QTreeWidgetItem(list_maps1, QStringList{node.text});
        top->setData(0, KeyRole, node.key);
        top->setFlags(top->flags() | Qt::ItemIsUserCheckable);
        top->setCheckState(0, Qt::Unchecked);
        for (const MapNode& m : node.maps) {
            auto* child = new QTreeWidgetItem(top, QStringList{m.text});
            child->setData(0, KeyRole, m.key);
            child->setData(0, TagRole, m.tag);
            child->setFlags(child->flags() | Qt::ItemIsUserCheckable);
            child->setCheckState(0, Qt::Unchecked);
        }
    }

    // The query engine is held for the window's lifetime; a failure to create it is ignored.
    try {
        m_commander = CreateObject(QStringLiteral("scoutlink.commander"));
    } catch (...) {
        m_commander.reset();
    }
}

QStringList StarterWindow::tickedMaps() const
{
    QStringList out;
    for (int i = 0; i < list_maps1->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* top = list_maps1->topLevelItem(i);
        for (int j = 0; j < top->childCount(); ++j)
            if (top->child(j)->checkState(0) == Qt::Checked)
                out.append(top->child(j)->data(0, TagRole).toString());
    }
    return out;
}

void StarterWindow::on_list_maps1_itemChanged(QTreeWidgetItem* item, int column)
{
    if (column != 0 || item->parent())
        return;
    const Qt::CheckState state = item->checkState(0);
    const QSignalBlocker block(list_maps1);
    for (int i = 0; i < item->childCount(); ++i)
        item->child(i)->setCheckState(0, state);
}

void StarterWindow::on_list_maps1_itemClicked(QTreeWidgetItem* item, int)
{
    if (!item->parent())
        return;
    const LevelShot* shot = findLevelShot(m_scan.levelShots, item->data(0, TagRole).toString());
    const QString file = shot ? extractLevelShot(m_unzip, *shot, m_scratch) : QString();
    if (file.isEmpty()) {
        showDefaultPicture();
        return;
    }
    const QImage image = archive::NViewLibLoad(file, 0);
    if (image.isNull()) {
        showDefaultPicture();
        return;
    }
    // Level shots are often 128 px: scaled to the box, keeping their aspect, centred on
    // a plain backdrop so nothing of the previous one stays around them.
    QImage framed(Picture1->size(), QImage::Format_RGB32);
    framed.fill(QColor(40, 42, 46));
    const QImage scaled =
        image.scaled(Picture1->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QPainter painter(&framed);
    painter.drawImage((framed.width() - scaled.width()) / 2,
                      (framed.height() - scaled.height()) / 2, scaled);
    painter.end();
    Picture1->drawImage(framed);
    Picture1->update();
    m_shownPicture = file;
}

void StarterWindow::on_Command1_clicked()
{
    MatchRules rules;
    rules.maxClients = max->text();
    rules.gameTypeIndex = gtype->currentIndex();
    rules.timeLimit = tlimit->text();
    rules.fragLimit = flimit->text();
    rules.mapCycle = mapcycle->isChecked();
    const QStringList maps = tickedMaps();
    const int mode = dedicated->currentIndex();
    const bool cheats = ch_cheat->isChecked();
    // A dedicated server runs headless, on the installation's server program where it has
    // one; Q3path stays the game itself for everything else.
    const QString program =
        isDedicatedStart(mode, cheats) ? m_install.dedicatedProgram() : m_install.program;
    QString problem = scriptStartProblem(m_install, MapScriptName, program);
    if (problem.isEmpty())
        problem = startProblem(rules, maps, rcon->text());
    if (!problem.isEmpty()) {
        messageBox(problem, windowTitle(), Buttons::Ok, Icon::Warning, this);
        return;
    }
    if (const QList<const StartedGame*> running = stillRunning(); !running.isEmpty()) {
        QStringList texts;
        for (const StartedGame* g : running)
            texts.append(g->text);
        const Answer a =
            messageBox(texts.join(u'\n') +
                           QStringLiteral("\n\nThat server still runs. Stop it before the new one "
                                          "starts? No starts a second server beside it."),
                       windowTitle(), Buttons::YesNoCancel, Icon::Question, this);
        if (a == Answer::Cancel)
            return;
        if (a == Answer::Yes)
            stopStarted();
    }
    const quint16 port = freeServerPort();
    StartedProcess started;
    QString error;
    if (!writeScriptAndStart(m_install, MapScriptName, mapScript(rules, maps, rcon->text()),
                             startArguments(mode, cheats, port), program, &started, &error)) {
        messageBox(error, windowTitle(), Buttons::Ok, Icon::Warning, this);
        return;
    }
    // Those that ended are told no more; the running ones stay to be stopped.
    QList<StartedGame>& all = startedGames();
    all.removeIf([](const StartedGame& g) { return g.pid == 0 || !g.running(); });
    all.append(StartedGame::of(startedText(program, mode, cheats, port), port, started.pid));
    showStarted();
}

void StarterWindow::showStarted()
{
    const StartedGame& started = lastStarted();
    if (const QList<const StartedGame*> running = stillRunning(); running.size() > 1) {
        QStringList texts;
        for (const StartedGame* g : running)
            texts.append(g->text);
        startinfo->show();
        startinfo->setText(texts.join(u'\n'));
        Command7->setText(QStringLiteral("S&top servers"));
        Command7->show();
        m_watch->start();
        return;
    }
    Command7->setText(QStringLiteral("S&top server"));
    if (started.text.isEmpty()) {
        startinfo->hide();
        Command7->hide();
        m_watch->stop();
        return;
    }
    startinfo->show();
    if (started.pid == 0 || started.running()) {
        startinfo->setText(started.text);
        Command7->setVisible(started.pid != 0);
        if (started.pid != 0)
            m_watch->start();
    } else {
        startinfo->setText(started.text + (started.stopped ? QStringLiteral(" It was stopped.")
                                                           : QStringLiteral(" It has ended.")));
        Command7->hide();
        m_watch->stop();
    }
}

void StarterWindow::stopStarted()
{
    WaitCursor wait;
    for (StartedGame& started : startedGames()) {
        if (started.pid == 0 || !started.stop())
            continue;
        // A server ends within a moment of being asked; one that does not is ended.
        waitFor([&started] { return !started.running(); }, 3000, 50);
        started.kill();
        waitFor([&started] { return !started.running(); }, 1000, 50);
        started.stopped = !started.running();
    }
}

void StarterWindow::on_Command7_clicked()
{
    stopStarted();
    // The last one says it was stopped; the others are done with.
    QList<StartedGame>& all = startedGames();
    if (all.size() > 1)
        all.remove(0, all.size() - 1);
    showStarted();
}

void StarterWindow::on_Command5_clicked()
{
    // Over the map tree, which is wide enough for it; the right column stays in view.
    const QRect tree = list_maps1->geometry();
    Frame2->setGeometry(QRect(tree.topLeft(), tree.size().expandedTo(Frame2->sizeHint())));
    Frame2->raise();
    Frame2->show();
}

void StarterWindow::on_Command6_clicked()
{
    Frame2->hide();
}

ServerWindow::ServerWindow(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frm_server"));
    setWindowTitle(QStringLiteral("Server Configuration"));
    gtype = list(this, "gtype", gameTypeNames());
    auto* l = new QVBoxLayout(this);
    l->addWidget(gtype);
}

} // namespace fragdeck::starter
