#include "SearchWindow.h"

#include "core/GameInstall.h"
#include "core/Paths.h"
#include "gui/Prompts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>

namespace fragdeck::launcher
{

LocatorShared& locatorShared()
{
    static LocatorShared s;
    return s;
}

SearchWindow::SearchWindow(QWidget* parent) : QDialog(parent), m_locator(gameProgramNames())
{
    setObjectName(QStringLiteral("frm_search"));
    setWindowTitle(QStringLiteral("Searching..."));
    setModal(true);

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Picture1"));
    const QPixmap pm(toLocalPath(programFolder() + QStringLiteral("/system/search.png")));
    if (!pm.isNull())
        picture->setPixmap(pm.scaled(48, 48, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    picture->setFixedSize(52, 52);

    m_lbl = new QLabel(this);
    m_lbl->setObjectName(QStringLiteral("lbl"));
    QFont bold = m_lbl->font();
    bold.setBold(true);
    m_lbl->setFont(bold);
    m_slbl = new QLabel(this);
    m_slbl->setObjectName(QStringLiteral("slbl"));
    m_slbl->setMinimumWidth(360);
    m_slbl->setTextFormat(Qt::PlainText);
    m_command1 = new QPushButton(QStringLiteral("&Cancel"), this);
    m_command1->setObjectName(QStringLiteral("Command1"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(picture, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(m_lbl, 0, 1);
    grid->addWidget(m_slbl, 1, 1);
    grid->addWidget(m_command1, 2, 1, Qt::AlignRight);
    grid->setColumnStretch(1, 1);
    setFixedWidth(460);

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setSingleShot(true);
    connect(m_timer1, &QTimer::timeout, this, &SearchWindow::on_Timer1_timeout);
    connect(m_command1, &QPushButton::clicked, this, &SearchWindow::on_Command1_clicked);

    m_locator.pump = [this](const QString& folder) {
        // Show the folder only when the window gets to paint it: a label update per
        // folder would cost more than the walk itself.
        const QFontMetrics fm(m_slbl->font());
        m_slbl->setText(fm.elidedText(folder, Qt::ElideMiddle, m_slbl->width()));
        QCoreApplication::processEvents();
    };

    // Load: the search starts on the first tick, once the window is on screen.
    locatorShared().Searching = true;
    m_locator.CancelRequested = false;
    m_timer1->start(1);
}

SearchWindow::~SearchWindow() = default;

void SearchWindow::on_Timer1_timeout()
{
    m_timer1->stop();
    QCoreApplication::processEvents();
    repaint();
    LocatorShared& shared = locatorShared();
    m_lbl->setText(QStringLiteral("Searching ") + shared.SearchFile + QStringLiteral("..."));
    {
        WaitCursor hourglass;
        m_running = true;
        m_locator.search(toLocalPath(shared.SearchStart));
        m_running = false;
    }
    // A cancel confirmed in the last folder's event turn, with no folder left to visit,
    // still counts as a cancel.
    if (m_locator.CancelRequested && !m_locator.found())
        m_locator.FoundFolder = GameLocator::cancelledMarker();
    shared.FoundFolder = m_locator.FoundFolder;
    shared.FoundProgram = m_locator.FoundProgram;
    shared.Searching = false;
    m_done = true;
    accept();
}

void SearchWindow::on_Command1_clicked()
{
    const Answer a = messageBox(
        QStringLiteral("Are you sure you want to cancel? If you cancel, you will have to go to "
                       "'Fragdeck Options' and manually give in the correct paths."),
        QStringLiteral("Cancel search"), Buttons::YesNo, Icon::None, this);
    if (a == Answer::Yes)
        m_locator.requestCancel();
}

void SearchWindow::reject()
{
    // The window closes itself when its search ends; until then closing means cancel.
    if (m_done)
        QDialog::reject();
    else
        on_Command1_clicked();
}

void SearchWindow::closeEvent(QCloseEvent* e)
{
    if (m_done) {
        e->accept();
        return;
    }
    e->ignore();
    on_Command1_clicked();
}

} // namespace fragdeck::launcher
