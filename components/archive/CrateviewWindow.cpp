#include "CrateviewWindow.h"

#include "DemoSummary.h"
#include "DesktopOpener.h"

#include "core/Desktop.h"
#include "core/GameInstall.h"
#include "core/Paths.h"
#include "core/Process.h"
#include "core/Settings.h"
#include "gui/PictureBox.h"
#include "gui/PictureDisplay.h"
#include "gui/Prompts.h"
#include "gui/Sound.h"
#include "gui/Twips.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace fragdeck::archive
{
namespace
{

constexpr int kKeyRole = Qt::UserRole;
constexpr int kTagRole = Qt::UserRole + 1;
constexpr int kNodeRole = Qt::UserRole + 2;
constexpr int kIconRole = Qt::UserRole + 3;

// A file icon: a page with a folded corner and a coloured band carrying the type.
QPixmap pagePixmap(int size, const QColor& band, const QString& label)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size, fold = s * 0.28;
    QPainterPath page;
    page.moveTo(s * 0.15, s * 0.04);
    page.lineTo(s * 0.85 - fold, s * 0.04);
    page.lineTo(s * 0.85, s * 0.04 + fold);
    page.lineTo(s * 0.85, s * 0.96);
    page.lineTo(s * 0.15, s * 0.96);
    page.closeSubpath();
    p.setPen(QPen(QColor(90, 90, 100), std::max(1.0, s / 24)));
    p.setBrush(QColor(250, 250, 246));
    p.drawPath(page);
    p.setBrush(QColor(210, 210, 214));
    QPainterPath corner;
    corner.moveTo(s * 0.85 - fold, s * 0.04);
    corner.lineTo(s * 0.85 - fold, s * 0.04 + fold);
    corner.lineTo(s * 0.85, s * 0.04 + fold);
    corner.closeSubpath();
    p.drawPath(corner);
    const QRectF bandRect(s * 0.05, s * 0.52, s * 0.9, s * 0.34);
    p.setPen(Qt::NoPen);
    p.setBrush(band);
    p.drawRoundedRect(bandRect, s * 0.06, s * 0.06);
    QFont f = QApplication::font();
    f.setBold(true);
    f.setPixelSize(std::max(5, int(s * 0.26)));
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(bandRect, Qt::AlignCenter, label);
    return pm;
}

QIcon pageIcon(const QColor& band, const QString& label)
{
    QIcon icon;
    for (int size : {16, 32})
        icon.addPixmap(pagePixmap(size, band, label));
    return icon;
}

QPixmap folderPixmap(int size, bool open)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    p.setPen(QPen(QColor(150, 105, 20), std::max(1.0, s / 20)));
    p.setBrush(QColor(232, 180, 60));
    p.drawRoundedRect(QRectF(s * 0.06, s * 0.18, s * 0.4, s * 0.2), s * 0.05, s * 0.05);
    p.drawRoundedRect(QRectF(s * 0.06, s * 0.28, s * 0.88, s * 0.6), s * 0.06, s * 0.06);
    if (open) {
        p.setBrush(QColor(250, 210, 100));
        QPolygonF flap;
        flap << QPointF(s * 0.2, s * 0.45) << QPointF(s * 0.98, s * 0.45)
             << QPointF(s * 0.84, s * 0.88) << QPointF(s * 0.06, s * 0.88);
        p.drawPolygon(flap);
    }
    return pm;
}

enum class ToolPicture { Open, ExtractOne, ExtractFolder, ExtractAll };

QIcon toolIcon(ToolPicture picture)
{
    const bool open = picture == ToolPicture::Open;
    QIcon icon;
    for (int size : {16, 24, 32}) {
        QPixmap pm = picture == ToolPicture::ExtractOne
                         ? pagePixmap(size, QColor(90, 100, 110), QString())
                         : folderPixmap(size, open);
        if (picture == ToolPicture::ExtractAll) {
            // The whole archive: a second folder behind the first.
            QPixmap both(size, size);
            both.fill(Qt::transparent);
            QPainter p(&both);
            p.drawPixmap(QRect(size / 5, 0, size * 4 / 5, size * 4 / 5), folderPixmap(size, false));
            p.drawPixmap(QRect(0, size / 5, size * 4 / 5, size * 4 / 5), folderPixmap(size, false));
            p.end();
            pm = both;
        }
        if (!open) {
            // "extract": an arrow coming out of the box.
            QPainter p(&pm);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(
                QPen(QColor(30, 120, 60), std::max(2.0, size / 8.0), Qt::SolidLine, Qt::RoundCap));
            const qreal s = size;
            p.drawLine(QPointF(s * 0.5, s * 0.78), QPointF(s * 0.5, s * 0.12));
            p.drawLine(QPointF(s * 0.3, s * 0.32), QPointF(s * 0.5, s * 0.12));
            p.drawLine(QPointF(s * 0.7, s * 0.32), QPointF(s * 0.5, s * 0.12));
        }
        icon.addPixmap(pm);
    }
    return icon;
}

} // namespace

PictureViewer::PictureViewer(const QString& picturePath, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frm_pic"));
    setWindowTitle(QStringLiteral("View file"));
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(false);
    m_picture = new PictureBox;
    m_picture->setObjectName(QStringLiteral("Picture1"));
    NViewLibShowPicutre(m_picture, picturePath, 1, PictureVariant::Resizing);
    m_loaded = GetWidth() > 0 && GetHeight() > 0;
    scroll->setWidget(m_picture);
    scroll->setAlignment(Qt::AlignCenter);
    // The window fits the picture; one larger than the screen scrolls. A small picture
    // still leaves the title bar room for its title and buttons.
    const QFont titleFont = QApplication::font("QMdiSubWindowTitleBar");
    const int titleRoom = QFontMetrics(titleFont).horizontalAdvance(windowTitle()) * 3 / 2 + 160;
    setMinimumWidth(titleRoom);
    QSize client = m_picture->size().expandedTo(QSize(titleRoom, 0));
    if (const QScreen* screen = QApplication::primaryScreen())
        client = client.boundedTo(screen->availableGeometry().size() * 9 / 10);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
    resize(client);
}

CrateviewWindow::CrateviewWindow(QWidget* parent)
    : QDialog(parent), m_base(userDataFolder(QStringLiteral("crateview"))),
      m_extracted(userDataFolder(QStringLiteral("extracted"))), m_lastTarget(userHome())
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Crateview"));
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    setMinimumSize(twipsToPixelsX(3000), twipsToPixelsY(1000));

    m_fileIcons.insert(QStringLiteral("map"),
                       pageIcon(QColor(60, 120, 200), QStringLiteral("MAP")));
    m_fileIcons.insert(QStringLiteral("q3"), pageIcon(QColor(180, 40, 30), QStringLiteral("BSP")));
    m_fileIcons.insert(QStringLiteral("tga"), pageIcon(QColor(40, 150, 90), QStringLiteral("IMG")));
    m_fileIcons.insert(QStringLiteral("cfg"),
                       pageIcon(QColor(110, 80, 160), QStringLiteral("CFG")));
    m_fileIcons.insert(QStringLiteral("txt"),
                       pageIcon(QColor(90, 100, 110), QStringLiteral("TXT")));
    m_fileIcons.insert(QStringLiteral("demo"),
                       pageIcon(QColor(220, 120, 20), QStringLiteral("DEM")));
    m_fileIcons.insert(QStringLiteral("default"), pageIcon(QColor(150, 150, 150), QString()));
    m_fileIcons.insert(QStringLiteral("wav"),
                       pageIcon(QColor(20, 140, 170), QStringLiteral("WAV")));
    for (int size : {16, 32}) {
        m_folderIcon.addPixmap(folderPixmap(size, false), QIcon::Normal);
        m_folderIcon.addPixmap(folderPixmap(size, true), QIcon::Selected);
    }

    m_frame = new QFrame(this);
    m_frame->setObjectName(QStringLiteral("Frame1"));
    m_frame->setFrameShape(QFrame::StyledPanel);
    m_toolbar = new QToolBar(m_frame);
    m_toolbar->setObjectName(QStringLiteral("Toolbar1"));
    m_toolbar->setIconSize(QSize(24, 24));
    // Four folder pictures alone would not tell the extractions apart.
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    QAction* sep = m_toolbar->addSeparator();
    sep->setObjectName(QStringLiteral("sep"));
    auto addAction = [this](const QIcon& icon, const char* name, const QString& text,
                            const QString& tip) {
        QAction* a = m_toolbar->addAction(icon, text);
        a->setObjectName(QLatin1String(name));
        a->setToolTip(tip);
        return a;
    };
    m_openAction = addAction(toolIcon(ToolPicture::Open), "open", QStringLiteral("Open"),
                             QStringLiteral("Open a PK3 file"));
    m_extractAction = addAction(toolIcon(ToolPicture::ExtractOne), "extract",
                                QStringLiteral("Extract"), QStringLiteral("Extract a file"));
    m_extractFolderAction = addAction(
        toolIcon(ToolPicture::ExtractFolder), "extractfolder", QStringLiteral("Extract folder"),
        QStringLiteral("Extract this folder, with its subfolders, into a folder you choose"));
    m_extractAllAction =
        addAction(toolIcon(ToolPicture::ExtractAll), "extractall", QStringLiteral("Extract all"),
                  QStringLiteral("Extract the whole archive into a folder you choose"));
    m_extractFolderAction->setEnabled(false);
    m_extractAllAction->setEnabled(false);
    connect(m_openAction, &QAction::triggered, this, &CrateviewWindow::on_open_clicked);
    connect(m_extractAction, &QAction::triggered, this, &CrateviewWindow::on_extract_clicked);
    connect(m_extractFolderAction, &QAction::triggered, this,
            &CrateviewWindow::on_extractfolder_clicked);
    connect(m_extractAllAction, &QAction::triggered, this, &CrateviewWindow::on_extractall_clicked);
    m_opener = new DesktopOpener(this);
    connect(m_opener, &DesktopOpener::failed, this,
            [this](const QString& file, const QString& why) {
                messageBox(QStringLiteral("The desktop could not open %1: %2").arg(file, why),
                           windowTitle(), Buttons::Ok, Icon::Warning, this);
            });

    m_folders = new QTreeWidget(this);
    m_folders->setObjectName(QStringLiteral("folders"));
    m_folders->setHeaderHidden(true);
    m_folders->setIconSize(QSize(16, 16));
    connect(m_folders, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item, int) { on_folders_NodeClick(item); });
    connect(m_folders, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item, QTreeWidgetItem*) { on_folders_NodeClick(item); });

    m_files = new QListWidget(this);
    m_files->setObjectName(QStringLiteral("files"));
    m_files->setViewMode(QListView::ListMode);
    m_files->setIconSize(QSize(16, 16));
    m_files->setUniformItemSizes(true);
    m_files->viewport()->installEventFilter(this);
    m_files->installEventFilter(this);
    connect(m_files, &QListWidget::currentItemChanged, this,
            [this](QListWidgetItem* item, QListWidgetItem*) {
                m_selected = item ? item->text() : QString();
                showDemoSummary(m_selected);
            });

    m_demoSummary = new QLabel(this);
    m_demoSummary->setObjectName(QStringLiteral("demosummary"));
    // The summary quotes the demo's own map, server and player names.
    m_demoSummary->setTextFormat(Qt::PlainText);
    m_demoSummary->setFrameShape(QFrame::StyledPanel);
    m_demoSummary->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_demoSummary->setWordWrap(true);
    m_demoSummary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_demoSummary->hide();
    m_demoReads = new DemoReadQueue(this);
    connect(m_demoReads, &DemoReadQueue::demoRead, this, [this](int id, const DemoInfo& info) {
        if (id == m_demoShown && info.readable)
            m_demoSummary->setText(demoSummary(info));
    });

    buildTree();
    resize(twipsToPixelsX(9600), twipsToPixelsY(6600));
    layoutControls();
}

void CrateviewWindow::layoutControls()
{
    const int w = width(), h = height();
    const int frameH = m_toolbar->sizeHint().height() + 6;
    m_frame->setGeometry(-twipsToPixelsX(40), 0, w + twipsToPixelsX(80), frameH);
    m_toolbar->setGeometry(twipsToPixelsX(40), 2, w, frameH - 4);
    const int top = frameH + 4, margin = twipsToPixelsX(60);
    const int foldersW = std::min(twipsToPixelsX(3400), w / 2);
    const int bottom = twipsToPixelsY(120);
    m_folders->setGeometry(margin, top, foldersW, std::max(20, h - top - bottom));
    const int filesX = margin + foldersW + twipsToPixelsX(80);
    const int filesW = std::max(20, w - foldersW - twipsToPixelsX(200));
    int filesH = std::max(20, h - top - bottom);
    if (m_demoSummary->isVisible()) {
        const int summaryH = std::min(filesH / 2, m_demoSummary->fontMetrics().lineSpacing() * 9);
        filesH -= summaryH + 4;
        m_demoSummary->setGeometry(filesX, top + filesH + 4, filesW, summaryH);
    }
    m_files->setGeometry(filesX, top, filesW, filesH);
}

void CrateviewWindow::showDemoSummary(const QString& entryText)
{
    ++m_demoShown;
    m_demoReads->clear();
    const bool demo = !entryText.isEmpty() && !m_archivePath.isEmpty() && isDemoFile(entryText);
    if (demo) {
        const DemoSource source{QString(), m_archivePath, memberOf(entryText)};
        // The game state at once; the length when the whole demo has been read.
        const DemoInfo info = readDemoSource(source, DemoDepth::GameState);
        m_demoSummary->setText(demoSummary(info));
        if (info.readable)
            m_demoReads->add(m_demoShown, source);
    }
    if (demo != m_demoSummary->isVisible()) {
        m_demoSummary->setVisible(demo);
        layoutControls();
    }
}

void CrateviewWindow::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (!isMinimized())
        layoutControls();
}

void CrateviewWindow::on_open_clicked()
{
    OpenFileOptions o;
    o.title = QStringLiteral("Open PK3 file");
    o.initialFile = QStringLiteral("pk3 file");
    o.filter = QStringLiteral("*.pk3|*.pk3");
    o.initialFolder = GameInstall::fromSettings().browseFolder();
    o.fileMustExist = true;
    const QString name = openFileDialog(o, this);
    if (name.isEmpty() || !QFileInfo(toLocalPath(name)).isFile())
        return;
    openArchive(name);
}

void CrateviewWindow::openArchive(const QString& path)
{
    m_archivePath = path;
    WaitCursor busy;
    setWindowTitle(QStringLiteral("Crateview - ") + m_archivePath);
    QCoreApplication::processEvents();
    repaint();
    m_unzip.MemberCount = 0;
    m_unzip.RunUnzip(m_archivePath, m_base + QStringLiteral("\\test\\"), 1, 0, 1, 1, 0, 0);
    buildTree();
    // The old archive's files would open members of the new one: start afresh.
    m_files->clear();
    showDemoSummary(QString());
    m_selected.clear();
    m_folderPath.clear();
    m_folderNode = -1;
    m_extractFolderAction->setEnabled(false);
    m_extractAllAction->setEnabled(m_unzip.MemberCount > 0);
}

void CrateviewWindow::buildTree()
{
    m_tree.build(m_unzip.MemberList, m_unzip.MemberCount);
    m_folders->setUpdatesEnabled(false);
    const QSignalBlocker block(m_folders);
    m_folders->clear();
    const auto& nodes = m_tree.nodes();
    std::vector<QTreeWidgetItem*> items(nodes.size(), nullptr);
    for (size_t i = 0; i < nodes.size(); ++i) {
        const FolderNode& n = nodes[i];
        auto* item = n.parent < 0 ? new QTreeWidgetItem(m_folders)
                                  : new QTreeWidgetItem(items[size_t(n.parent)]);
        item->setText(0, n.text);
        item->setIcon(0, m_folderIcon);
        item->setData(0, kKeyRole, n.key);
        item->setData(0, kTagRole, n.text);
        item->setData(0, kNodeRole, int(i));
        items[i] = item;
    }
    if (!items.empty())
        items[0]->setExpanded(true);
    m_folders->setUpdatesEnabled(true);
}

void CrateviewWindow::on_folders_NodeClick(QTreeWidgetItem* node)
{
    if (!node)
        return;
    const int index = node->data(0, kNodeRole).toInt();
    if (index < 0 || size_t(index) >= m_tree.nodes().size())
        return;
    const FolderNode& n = m_tree.nodes()[size_t(index)];
    m_folderNode = index;
    m_extractFolderAction->setEnabled(true);
    m_folderPath = index == 0 ? QStringLiteral("Root/") : n.path + u'/';
    m_files->setUpdatesEnabled(false);
    m_files->clear();
    m_selected.clear();
    for (const QString& f : n.files) {
        const QString key = fileIconKey(f);
        auto* item = new QListWidgetItem(m_fileIcons.value(key), f, m_files);
        item->setData(kIconRole, key);
    }
    m_files->setUpdatesEnabled(true);
}

bool CrateviewWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_files->viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            m_last = static_cast<QMouseEvent*>(event)->position().toPoint();
            break;
        case QEvent::MouseButtonRelease:
            on_files_Click();
            break;
        case QEvent::MouseButtonDblClick:
            m_last = static_cast<QMouseEvent*>(event)->position().toPoint();
            on_files_DblClick();
            return true;
        default:
            break;
        }
    } else if (watched == m_files && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && m_files->currentItem()) {
            m_last = m_files->visualItemRect(m_files->currentItem()).center();
            on_files_DblClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CrateviewWindow::on_files_Click()
{
    QListWidgetItem* item = m_files->itemAt(m_last);
    m_selected = item ? item->text() : QString();
}

QString CrateviewWindow::memberOf(const QString& entryText) const
{
    return m_tree.memberPath(m_folderNode, entryText);
}

void CrateviewWindow::on_files_DblClick()
{
    QListWidgetItem* item = m_files->itemAt(m_last);
    if (!item)
        return;
    m_selected = item->text();
    const QString entry = item->text();
    const QString temp = m_base + QStringLiteral("/temp/");
    const QDir tempDir(toLocalPath(temp));
    for (const QString& f : tempDir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        QFile::remove(tempDir.filePath(f));
    const QString member = memberOf(entry);
    m_unzip.ExtractNames[0] = member;
    m_unzip.ExtractNames[1] = member;
    m_unzip.RunUnzip(m_archivePath, temp, 0, 1, 0, 0, 1, 0);
    // A failed extraction has been reported; there is nothing to open.
    if (m_unzip.writtenFiles().isEmpty())
        return;
    const QString t = m_unzip.writtenFiles().first();
    switch (fileActionFor(entry)) {
    case FileAction::Sound:
        playWave(t, 0);
        break;
    case FileAction::TextEditor:
        openText(t);
        break;
    case FileAction::Picture: {
        m_picturePath = t;
        PictureViewer viewer(m_picturePath, this);
        if (!viewer.loaded()) {
            messageBox(
                QStringLiteral("The picture %1 cannot be shown: %2").arg(entry, lastLoadError()),
                QStringLiteral("View file"), Buttons::Ok, Icon::Warning, this);
            break;
        }
        viewer.exec();
        break;
    }
    case FileAction::Map:
        startGameOn(QStringLiteral("map"), entry.left(entry.size() - 4));
        break;
    case FileAction::Demo:
        // The game plays a demo of any protocol by its name with the extension.
        startGameOn(QStringLiteral("demo"), entry);
        break;
    case FileAction::AskTextEditor: {
        if (messageBox(QStringLiteral("Unsupported filetype. Do you want to open the file with "
                                      "the desktop's text editor?"),
                       windowTitle(), Buttons::YesNo, Icon::Question, this) != Answer::Yes)
            break;
        const QString opener = DesktopOpener::openerProgram();
        if (opener.isEmpty()) {
            openInTextEditor(t);
            break;
        }
        // The desktop opens a file by its type: named as text, it goes to the text editor.
        const QString asText = t + QStringLiteral(".txt");
        QFile::remove(asText);
        if (!QFile::copy(t, asText)) {
            messageBox(
                QStringLiteral("%1 could not be copied to %2 to open it as text.").arg(t, asText),
                windowTitle(), Buttons::Ok, Icon::Warning, this);
            break;
        }
        m_opener->open(opener, asText);
        break;
    }
    }
}

void CrateviewWindow::openText(const QString& path)
{
    const QString opener = DesktopOpener::openerProgram();
    if (opener.isEmpty())
        openInTextEditor(path);
    else
        m_opener->open(opener, toLocalPath(path));
}

void CrateviewWindow::openInTextEditor(const QString& path)
{
    const TextEditor editor = fallbackTextEditor();
    if (editor.program.isEmpty()) {
        messageBox(QStringLiteral("No program was found to open %1: the desktop has no opener "
                                  "(xdg-open) and no text editor was found. Install xdg-utils or "
                                  "a text editor, or set VISUAL or EDITOR.")
                       .arg(path),
                   windowTitle(), Buttons::Ok, Icon::Warning, this);
        return;
    }
    QString error;
    if (!startProgramArgs(editor.program, editor.arguments + QStringList{toLocalPath(path)},
                          QString(), WindowMode::NormalFocus, nullptr, &error))
        messageBox(QStringLiteral("The text editor \"%1\" could not be started to open %2: %3")
                       .arg(editor.shown(), path, error),
                   windowTitle(), Buttons::Ok, Icon::Warning, this);
}

void CrateviewWindow::startGameOn(const QString& command, const QString& name)
{
    const QString q3path =
        GetSetting(QStringLiteral("Fragdeck"), QStringLiteral("Options"), QStringLiteral("Q3path"));
    if (q3path.size() <= 10)
        return;
    // A member's name comes from the archive: it must not smuggle a command of its own.
    const QString problem = gameArgumentProblem(command, name);
    if (!problem.isEmpty()) {
        messageBox(problem, defaultTitle(), Buttons::Ok, Icon::Warning, this);
        return;
    }
    QString error;
    if (!startGame(q3path, QStringLiteral(" +%1 %2").arg(command, name), nullptr, &error))
        messageBox(error, defaultTitle(), Buttons::Ok, Icon::Warning, this);
}

void CrateviewWindow::on_extract_clicked()
{
    if (m_selected.isEmpty())
        return;
    const QString entry = m_selected;
    const QString member = memberOf(entry);
    m_unzip.ExtractNames[0] = member;
    m_unzip.ExtractNames[1] = member;
    // One message says what went wrong: the module's own box would come first.
    m_unzip.reportFailures = false;
    m_unzip.RunUnzip(m_archivePath, m_extracted + u'/', 0, 1, 0, 0, 1, 0);
    m_unzip.reportFailures = true;
    if (m_unzip.writtenFiles().isEmpty()) {
        QString text = QStringLiteral("Nothing was saved: %1 could not be extracted from %2.")
                           .arg(member, m_archivePath);
        if (!m_unzip.lastError().isEmpty())
            text += QStringLiteral("\n\n") + m_unzip.lastError();
        messageBox(text, QStringLiteral("File not saved"), Buttons::Ok, Icon::Error, this);
        return;
    }
    messageBox(QStringLiteral("File saved as ") + QDir::cleanPath(m_unzip.writtenFiles().first()),
               QStringLiteral("File saved"), Buttons::Ok, Icon::Information, this);
}

void CrateviewWindow::on_extractfolder_clicked()
{
    if (m_archivePath.isEmpty() || m_folderNode < 0 ||
        size_t(m_folderNode) >= m_tree.nodes().size())
        return;
    const QString path = m_tree.nodes()[size_t(m_folderNode)].path;
    if (path.isEmpty()) {
        on_extractall_clicked();
        return;
    }
    extractInto(QStringLiteral("the folder %1").arg(path),
                membersBelow(m_unzip.MemberList, m_unzip.MemberCount, path));
}

void CrateviewWindow::on_extractall_clicked()
{
    if (m_archivePath.isEmpty())
        return;
    extractInto(fileNameOf(toLocalPath(m_archivePath)), {});
}

void CrateviewWindow::extractInto(const QString& what, const QStringList& members)
{
    OpenFileOptions o;
    o.title = QStringLiteral("Extract %1 into").arg(what);
    o.initialFolder = m_lastTarget;
    o.chooseFolder = true;
    const QString chosen = openFileDialog(o, this);
    if (chosen.isEmpty())
        return;
    const QString target = QDir::cleanPath(toLocalPath(chosen));
    m_lastTarget = target;
    {
        WaitCursor busy;
        const QStringList saved = m_unzip.ExtractNames;
        m_unzip.ExtractNames = members;
        m_unzip.reportFailures = false;
        // Folders are kept, so the files land as the game would find them; a file already
        // there is replaced only when the player says so.
        m_unzip.RunUnzip(m_archivePath, target + u'/', 1, 0, 0, 1, int32_t(members.size()), 0);
        m_unzip.reportFailures = true;
        m_unzip.ExtractNames = saved;
    }
    const int written = int(m_unzip.writtenFiles().size());
    const QString problems = m_unzip.lastError();
    if (written == 0 && problems.isEmpty()) {
        messageBox(QStringLiteral("Nothing was saved in %1: the files of %2 there were kept.")
                       .arg(target, what),
                   QStringLiteral("Files saved"), Buttons::Ok, Icon::Information, this);
        return;
    }
    if (written == 0 && !problems.isEmpty()) {
        messageBox(QStringLiteral("Nothing was saved: %1 could not be extracted into %2.\n\n%3")
                       .arg(what, target, problems),
                   QStringLiteral("Files not saved"), Buttons::Ok, Icon::Error, this);
        return;
    }
    QString text =
        QStringLiteral("%1 of %2 saved in %3.")
            .arg(written == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(written),
                 what, target);
    if (!problems.isEmpty())
        text += QStringLiteral("\n\nSome files were not saved:\n") + problems;
    messageBox(text, QStringLiteral("Files saved"), Buttons::Ok,
               problems.isEmpty() ? Icon::Information : Icon::Warning, this);
}

} // namespace fragdeck::archive
