#include "AboutWindow.h"

#include "LauncherWindows.h"
#include "UpdateCheck.h"
#include "WindowSettings.h"
#include "core/Countries.h"
#include "core/Paths.h"
#include "core/TextFile.h"
#include "gui/DialogButtons.h"
#include "gui/OpenInBrowser.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace fragdeck::launcher
{

AboutWindow::AboutWindow(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frm_about"));
    setWindowTitle(QStringLiteral("About Fragdeck"));

    // Without the picture the window keeps its plain background.
    m_background.load(toLocalPath(programFolder() + QStringLiteral("/system/abdata.dat")));
    if (!m_background.isNull())
        setFixedSize(m_background.deviceIndependentSize().toSize());
    else
        setFixedSize(420, 260);

    auto* product = new QLabel(QStringLiteral("Fragdeck"), this);
    product->setObjectName(QStringLiteral("Label1"));
    QFont big = product->font();
    big.setPointSizeF(big.pointSizeF() * 2.2);
    big.setBold(true);
    product->setFont(big);

    m_ver = new QLabel(QStringLiteral("Current version: ?.?"), this);
    m_ver->setObjectName(QStringLiteral("ver"));
    bool haveVersion = false;
    const QString v = readFirstLine(programFolder() + QStringLiteral("/version.dat"), &haveVersion);
    if (haveVersion)
        m_ver->setText(QStringLiteral("Current version: ") + v);

    // Which location database the server list's countries come from, and how old it is:
    // a stale one puts servers in the wrong country.
    const CountryDatabase& countries = CountryDatabase::shared();
    auto* location = new QLabel(this);
    location->setObjectName(QStringLiteral("locationdb"));
    location->setTextFormat(Qt::PlainText);
    location->setWordWrap(true);
    location->setText(countries.isOpen()
                          ? QStringLiteral("Countries: %1, %2")
                                .arg(countries.path(),
                                     countries.createdAt().toString(QStringLiteral("yyyy-MM-dd")))
                          : QStringLiteral("Countries: none. %1").arg(countries.error()));

    const QString address = makerWebAddress();
    auto* link = new QLabel(this);
    link->setObjectName(QStringLiteral("Label3"));
    link->setText(QStringLiteral("<a href=\"%1\" style=\"color:#ffc27a;\">%2</a>")
                      .arg(address.toHtmlEscaped(), address.toHtmlEscaped()));
    link->setTextFormat(Qt::RichText);
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    link->setCursor(Qt::PointingHandCursor);
    connect(link, &QLabel::linkActivated, this, [this](const QString&) { on_Label3_click(); });

    for (QLabel* l : {product, m_ver, location, link})
        l->setStyleSheet(QStringLiteral("color: #f2f2f2; background: transparent;"));

    auto* check = namedButton(this, "Command2", QStringLiteral("&Check for updates"));
    auto* ok = new QPushButton(QStringLiteral("&Ok"), this);
    ok->setObjectName(QStringLiteral("Command1"));
    ok->setDefault(true);

    auto* buttons = buttonRow({check, ok});
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 18);
    layout->addWidget(product);
    layout->addWidget(m_ver);
    layout->addStretch();
    layout->addWidget(location);
    layout->addWidget(link);
    layout->addLayout(buttons);

    connect(check, &QPushButton::clicked, this, &AboutWindow::on_Command2_clicked);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void AboutWindow::paintEvent(QPaintEvent* event)
{
    if (m_background.isNull())
        return QDialog::paintEvent(event);
    QPainter p(this);
    p.drawPixmap(rect(), m_background);
}

void AboutWindow::on_Label3_click()
{
    // Opened over the launcher's main window, as the other tools are.
    QWidget* owner = parentWidget() ? parentWidget()->window() : this;
    OpenInBrowser(makerWebAddress(), owner);
}

void AboutWindow::on_Command2_clicked()
{
    UpdateCheckSetup setup;
    setup.programFolder = programFolder();
    setup.downloadFolder = downloadFolder();
    setup.server = updateServer();
    setup.timeoutMs = DownloadTimeoutMs;
    setup.maxBytes = VersionFileMaxBytes;
    checkForUpdates(setup, this);
}

} // namespace fragdeck::launcher
