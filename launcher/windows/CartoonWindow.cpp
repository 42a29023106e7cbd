#include "CartoonWindow.h"

#include "CartoonFetch.h"
#include "WindowSettings.h"
#include "core/Paths.h"
#include "gui/Prompts.h"
#include "gui/Twips.h"

#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

namespace fragdeck::launcher
{
namespace
{

// What the window shows while the strip is on its way.
QPixmap placeholder()
{
    QPixmap pm(360, 150);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, pm.height());
    g.setColorAt(0, QColor(0xfd, 0xf6, 0xe3));
    g.setColorAt(1, QColor(0xee, 0xe1, 0xb8));
    p.setBrush(g);
    p.setPen(QPen(QColor(0x58, 0x4b, 0x2a), 2));
    p.drawRoundedRect(QRectF(pm.rect()).adjusted(2, 2, -2, -2), 12, 12);
    // Three empty panels, like a strip waiting to be drawn.
    p.setPen(QPen(QColor(0x8a, 0x7a, 0x52), 1.5, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 3; ++i)
        p.drawRect(QRectF(18 + i * 112, 18, 100, 84));
    p.setPen(QColor(0x40, 0x36, 0x1c));
    QFont f = p.font();
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRectF(0, 108, pm.width(), 32), Qt::AlignCenter,
               QStringLiteral("Fetching today's strip..."));
    return pm;
}

} // namespace

CartoonWindow::CartoonWindow(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmFriendly"));
    setWindowTitle(QStringLiteral("User Friendly"));
    resize(twipsToPixelsX(6000), twipsToPixelsY(3600));

    m_image1 = new QLabel(this);
    m_image1->setObjectName(QStringLiteral("Image1"));
    m_image1->setPixmap(placeholder());
    m_image1->adjustSize();
    m_image1->move((width() - m_image1->width()) / 2, twipsToPixelsY(200));

    m_picCartoon = new QLabel(this);
    m_picCartoon->setObjectName(QStringLiteral("picCartoon"));
    m_picCartoon->move(0, 0);
    m_picCartoon->hide();

    m_label1 = new QLabel(QStringLiteral("User Friendly by J.D. \"Illiad\" Frazer"), this);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->adjustSize();
    m_label2 = new QLabel(QStringLiteral("Strip of the day"), this);
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_label2->adjustSize();

    m_cmdClose = new QPushButton(QStringLiteral("Close"), this);
    m_cmdClose->setObjectName(QStringLiteral("cmdClose"));
    m_cmdClose->adjustSize();
    connect(m_cmdClose, &QPushButton::clicked, this, &QDialog::accept);

    setFixedSize(std::max(width(), bottomRowWidth()), height());
    placeBottomRow();

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(2);
    connect(m_timer1, &QTimer::timeout, this, &CartoonWindow::on_Timer1_timer);
    m_timer1->start();
}

void CartoonWindow::on_Timer1_timer()
{
    // The download waits in the event loop, where this timer keeps ticking.
    if (m_started)
        return;
    m_started = true;
    download();
    m_timer1->stop();
}

int CartoonWindow::bottomRowWidth() const
{
    // The two labels, "Close", and the gaps before, between and after them.
    return m_label1->width() + m_label2->width() + m_cmdClose->width() +
           twipsToPixelsX(120 + 240 + 240 + 150);
}

void CartoonWindow::placeBottomRow()
{
    const int h = pixelsToTwipsY(height());
    const int w = pixelsToTwipsX(width());
    const auto topFor = [&](QWidget* c) {
        return twipsToPixelsY(h - pixelsToTwipsY(c->height()) - 375);
    };
    m_label1->move(twipsToPixelsX(120), topFor(m_label1));
    m_label2->move(m_label1->x() + m_label1->width() + twipsToPixelsX(240), topFor(m_label2));
    m_cmdClose->move(twipsToPixelsX(w - pixelsToTwipsX(m_cmdClose->width()) - 150),
                     topFor(m_cmdClose));
}

void CartoonWindow::download()
{
    CartoonSetup setup;
    setup.programFolder = downloadFolder();
    setup.server = cartoonServer();
    setup.timeoutMs = DownloadTimeoutMs;
    setup.indexMaxBytes = CartoonIndexMaxBytes;
    setup.stripMaxBytes = CartoonStripMaxBytes;
    const CartoonFetch fetched = fetchCartoon(setup);

    if (fetched.ending != CartoonFetch::Loaded) {
        if (fetched.ending == CartoonFetch::ConnectFailure)
            messageBox(QStringLiteral("Panelhop cannot connect to the User Friendly server at "
                                      "this time. Try again later."),
                       QStringLiteral("Error: Connect Failure"), Buttons::Ok, Icon::Information,
                       this);
        messageBox(QStringLiteral("Panelhop was unable to load in the User Friendly Comic Strip."),
                   QStringLiteral("Error: Unable to load Graphic"), Buttons::Ok, Icon::Information,
                   this);
        reject();
        return;
    }

    m_image1->hide();
    m_picCartoon->setPixmap(QPixmap::fromImage(fetched.picture));
    m_picCartoon->resize(fetched.picture.size());
    m_picCartoon->show();
    // A strip narrower than the bottom row still leaves room for the labels and "Close".
    setFixedSize(
        std::max(twipsToPixelsX(pixelsToTwipsX(m_picCartoon->width()) + 100), bottomRowWidth()),
        twipsToPixelsY(pixelsToTwipsY(m_picCartoon->height()) + 750));
    placeBottomRow();
}

} // namespace fragdeck::launcher
