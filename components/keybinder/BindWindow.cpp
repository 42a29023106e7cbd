#include "BindWindow.h"

#include "core/Settings.h"
#include "gui/ConfigPrompts.h"
#include "gui/DialogButtons.h"
#include "gui/PlainText.h"
#include "gui/Prompts.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace fragdeck::bind
{
namespace
{
const QString Title = QStringLiteral("Key Binder");
constexpr int CommandRole = Qt::UserRole + 1;

int mouseNumber(Qt::MouseButton b)
{
    switch (b) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 3;
    case Qt::BackButton:
        return 4;
    case Qt::ForwardButton:
        return 5;
    default:
        return 0;
    }
}
} // namespace

KeyCapture::KeyCapture(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frm_capture"));
    setWindowTitle(QStringLiteral("Press a key"));
    m_area = new QLabel(QStringLiteral("Press the key, mouse button or wheel direction to bind "
                                       "here.\nEscape cancels."),
                        this);
    m_area->setObjectName(QStringLiteral("capturearea"));
    m_area->setAlignment(Qt::AlignCenter);
    m_area->setMinimumSize(320, 110);
    m_area->setFrameShape(QFrame::StyledPanel);
    m_area->installEventFilter(this);
    auto* cancel = namedButton(this, "cancelcapture", QStringLiteral("Cancel"));
    cancel->setFocusPolicy(Qt::NoFocus);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_area);
    layout->addWidget(cancel, 0, Qt::AlignRight);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void KeyCapture::take(const QString& name)
{
    if (name.isEmpty())
        return;
    key = name;
    accept();
}

void KeyCapture::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape) {
        reject();
        return;
    }
    take(keyName(e->key(), e->modifiers() & Qt::KeypadModifier, e->text()));
}

bool KeyCapture::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == m_area) {
        if (e->type() == QEvent::MouseButtonPress) {
            take(mouseButtonName(mouseNumber(static_cast<QMouseEvent*>(e)->button())));
            return true;
        }
        if (e->type() == QEvent::Wheel) {
            const int dy = static_cast<QWheelEvent*>(e)->angleDelta().y();
            if (dy != 0)
                take(wheelName(dy > 0));
            return true;
        }
    }
    return QDialog::eventFilter(watched, e);
}

BindWindow::BindWindow(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmbind"));
    setWindowTitle(Title);
    resize(560, 520);

    bindtree = new QTreeWidget(this);
    bindtree->setObjectName(QStringLiteral("bindtree"));
    bindtree->setHeaderLabels(
        {QStringLiteral("Action"), QStringLiteral("Command"), QStringLiteral("Keys")});
    // Action and Command fit their entries up to a cap (a long free-text command would push
    // the keys out of view); Keys takes the rest, and the window is kept wide enough for
    // its longest entry (fitColumns).
    bindtree->header()->setSectionResizeMode(QHeaderView::Interactive);
    bindtree->header()->setStretchLastSection(true);
    QTreeWidgetItem* group = nullptr;
    for (const Action& a : actionTable()) {
        if (!group || group->text(0) != a.group) {
            group = new QTreeWidgetItem(bindtree, {a.group});
            group->setFlags(Qt::ItemIsEnabled);
            group->setExpanded(true);
        }
        auto* item = new QTreeWidgetItem(group, {a.description, a.command});
        item->setData(0, CommandRole, a.command);
    }
    m_other = new QTreeWidgetItem(bindtree, {QStringLiteral("Other commands")});
    m_other->setFlags(Qt::ItemIsEnabled);
    m_other->setExpanded(true);

    auto* otherLabel = new QLabel(QStringLiteral("Other command:"), this);
    customcommand = new QLineEdit(this);
    customcommand->setObjectName(QStringLiteral("customcommand"));
    customcommand->setPlaceholderText(QStringLiteral("for example: say gg"));
    auto* bindcustom = new QPushButton(QStringLiteral("Bind &other..."), this);
    bindcustom->setObjectName(QStringLiteral("bindcustom"));
    auto* other = new QHBoxLayout;
    other->addWidget(otherLabel);
    other->addWidget(customcommand, 1);
    other->addWidget(bindcustom);

    auto* bindkey = new QPushButton(QStringLiteral("&Bind key..."), this);
    bindkey->setObjectName(QStringLiteral("bindkey"));
    auto* clearkey = new QPushButton(QStringLiteral("&Clear"), this);
    clearkey->setObjectName(QStringLiteral("clearkey"));
    auto* savebinds = new QPushButton(QStringLiteral("&Save"), this);
    savebinds->setObjectName(QStringLiteral("savebinds"));
    auto* closebinds = new QPushButton(QStringLiteral("Cl&ose"), this);
    closebinds->setObjectName(QStringLiteral("closebinds"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(bindkey);
    buttons->addWidget(clearkey);
    buttons->addStretch();
    buttons->addWidget(savebinds);
    buttons->addWidget(closebinds);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(bindtree, 1);
    layout->addLayout(other);
    auto* hint = new QLabel(cfg::saveWithGameClosedHint(), this);
    hint->setObjectName(QStringLiteral("hint"));
    hint->setWordWrap(true);
    layout->addWidget(hint);
    layout->addLayout(buttons);

    connect(bindkey, &QPushButton::clicked, this, &BindWindow::bindSelected);
    connect(bindtree, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (!item->data(0, CommandRole).toString().isEmpty())
            bindSelected();
    });
    connect(bindcustom, &QPushButton::clicked, this, &BindWindow::bindCustom);
    connect(clearkey, &QPushButton::clicked, this, &BindWindow::clearSelected);
    connect(savebinds, &QPushButton::clicked, this, [this] {
        if (save())
            messageBox(QStringLiteral("Key binds saved."), Title, Buttons::Ok, Icon::Information,
                       this);
    });
    connect(closebinds, &QPushButton::clicked, this, &QDialog::accept);

    m_path = GetSetting(QStringLiteral("Fragdeck"), QStringLiteral("Options"),
                        QStringLiteral("ConfigPath"));
    reload();
}

void BindWindow::reload()
{
    m_bindings.load(loadConfigTelling(m_path,
                                      QStringLiteral("Binds you save now make the file, and the "
                                                     "game keeps them when it writes its own."),
                                      Title, this));
    refresh();
}

void BindWindow::refresh()
{
    const QString current = selectedCommand();
    qDeleteAll(m_other->takeChildren());
    for (const QString& command : m_bindings.otherCommands()) {
        auto* item = new QTreeWidgetItem(m_other, {command, command});
        item->setData(0, CommandRole, command);
        item->setToolTip(0, plainToolTip(command));
        item->setToolTip(1, plainToolTip(command));
    }
    m_other->setHidden(m_other->childCount() == 0);
    for (int g = 0; g < bindtree->topLevelItemCount(); ++g) {
        QTreeWidgetItem* group = bindtree->topLevelItem(g);
        for (int i = 0; i < group->childCount(); ++i) {
            QTreeWidgetItem* item = group->child(i);
            const QString command = item->data(0, CommandRole).toString();
            item->setText(2, m_bindings.keysOf(command).join(QStringLiteral(", ")));
            if (group == m_other && command == current)
                bindtree->setCurrentItem(item);
        }
    }
    fitColumns();
}

void BindWindow::fitColumns()
{
    QHeaderView* header = bindtree->header();
    const int cap = fontMetrics().averageCharWidth() * 30;
    for (int c : {0, 1}) {
        bindtree->resizeColumnToContents(c);
        header->resizeSection(c, std::min(header->sectionSize(c), cap));
    }
    int keys = header->sectionSizeHint(2);
    const QFontMetrics metrics(bindtree->font());
    for (QTreeWidgetItemIterator it(bindtree); *it; ++it)
        keys = std::max(keys, metrics.horizontalAdvance((*it)->text(2)) + 16);
    bindtree->setMinimumWidth(header->sectionSize(0) + header->sectionSize(1) + keys +
                              bindtree->verticalScrollBar()->sizeHint().width() +
                              2 * bindtree->frameWidth());
}

QString BindWindow::selectedCommand() const
{
    const QTreeWidgetItem* item = bindtree->currentItem();
    return item ? item->data(0, CommandRole).toString() : QString();
}

QString BindWindow::capture()
{
    KeyCapture c(this);
    c.exec();
    return c.key;
}

void BindWindow::bindKeyTo(const QString& key, const QString& command)
{
    if (key.isEmpty() || command.isEmpty())
        return;
    const QString now = m_bindings.commandOf(key);
    if (!now.isEmpty() && now.compare(command, Qt::CaseInsensitive) != 0) {
        const QString ask =
            QStringLiteral("%1 is bound to \"%2\" now. Move it to \"%3\"?").arg(key, now, command);
        if (messageBox(ask, Title, Buttons::YesNo, Icon::Question, this) != Answer::Yes)
            return;
    }
    m_bindings.bind(key, command);
    refresh();
}

void BindWindow::bindSelected()
{
    const QString command = selectedCommand();
    if (command.isEmpty()) {
        messageBox(QStringLiteral("Select an action first."), Title, Buttons::Ok, Icon::Information,
                   this);
        return;
    }
    bindKeyTo(capture(), command);
}

void BindWindow::bindCustom()
{
    const QString command = customcommand->text().trimmed();
    const QString problem = commandProblem(command);
    if (!problem.isEmpty()) {
        messageBox(problem, Title, Buttons::Ok, Icon::Warning, this);
        return;
    }
    bindKeyTo(capture(), command);
}

void BindWindow::clearSelected()
{
    const QString command = selectedCommand();
    if (command.isEmpty())
        return;
    m_bindings.clearCommand(command);
    refresh();
}

bool BindWindow::save()
{
    QString error;
    if (!saveBindings(m_path, m_bindings, &error)) {
        messageBox(error, Title, Buttons::Ok, Icon::Error, this);
        return false;
    }
    reload();
    return true;
}

void BindWindow::done(int result)
{
    if (m_bindings.changed()) {
        const Answer a = messageBox(QStringLiteral("Save your changed key binds?"), Title,
                                    Buttons::YesNoCancel, Icon::Question, this);
        if (a == Answer::Cancel || (a == Answer::Yes && !save()))
            return;
    }
    QDialog::done(result);
}

} // namespace fragdeck::bind
