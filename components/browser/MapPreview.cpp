#include "MapPreview.h"

#include "core/GameInstall.h"
#include "gui/PictureBox.h"
#include "gui/PictureDisplay.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace fragdeck
{
namespace
{
constexpr int kWidth = 256;
constexpr int kHeight = 192;
} // namespace

MapPreview::MapPreview(QWidget* parent)
    : QWidget(parent), m_unzip(archive::UnzipVariant::PrefixFilter)
{
    setObjectName(QStringLiteral("mappreview"));
    m_box = new archive::PictureBox(this);
    m_box->setObjectName(QStringLiteral("levelshot"));
    m_box->setFixedSize(kWidth, kHeight);
    m_caption = new QLabel(this);
    m_caption->setObjectName(QStringLiteral("mapcaption"));
    // The map's name is whatever the server sent.
    m_caption->setTextFormat(Qt::PlainText);
    // A long name is cut; it never widens the panel.
    m_caption->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_caption->setAlignment(Qt::AlignHCenter);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_box, 0, Qt::AlignHCenter);
    layout->addWidget(m_caption);
    showMap(QString());
}

MapPreview::~MapPreview() = default;

void MapPreview::setDataFolders(const QStringList& folders)
{
    m_folders = folders;
    m_archives.reset();
}

const archive::MapArchives& MapPreview::archives()
{
    if (!m_archives) {
        const QStringList folders =
            m_folders ? *m_folders : GameInstall::fromSettings().dataFolders();
        // Listing runs write nothing into their folder.
        m_archives = archive::scanMapArchives(folders, m_unzip, QStringLiteral("/nowhere/"));
    }
    return *m_archives;
}

void MapPreview::showMap(const QString& map)
{
    m_member.clear();
    if (map.isEmpty()) {
        m_shown = Shown::Nothing;
        drawMarker(QString(), QString(), false);
        m_caption->clear();
        return;
    }
    const archive::MapArchives& a = archives();
    if (!a.has(map)) {
        m_shown = Shown::Missing;
        drawMarker(QStringLiteral("Not in your archives"), map, true);
        m_caption->setText(QStringLiteral("%1: you do not have this map").arg(map));
        return;
    }
    m_caption->setText(map);
    const archive::LevelShot* shot = archive::findLevelShot(a.levelShots, map);
    const QImage image =
        shot ? archive::decodePicture(archive::readLevelShotBytes(*shot), shot->fileName)
             : QImage();
    if (image.isNull()) {
        m_shown = Shown::NoLevelShot;
        drawMarker(QStringLiteral("No level shot"), map, false);
        return;
    }
    QImage canvas(kWidth, kHeight, QImage::Format_RGB32);
    canvas.fill(QColor(20, 22, 28));
    const QImage scaled =
        image.scaled(kWidth, kHeight, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QPainter p(&canvas);
    p.drawImage((kWidth - scaled.width()) / 2, (kHeight - scaled.height()) / 2, scaled);
    p.end();
    m_box->clear();
    m_box->drawImage(canvas);
    m_shown = Shown::LevelShot;
    m_member = shot->member;
}

void MapPreview::drawMarker(const QString& title, const QString& map, bool missing)
{
    QImage canvas(kWidth, kHeight, QImage::Format_RGB32);
    canvas.fill(QColor(20, 22, 28));
    QPainter p(&canvas);
    p.setRenderHint(QPainter::Antialiasing);
    if (!title.isEmpty()) {
        // A folded map sheet, crossed out when the player does not have the map.
        const QRectF sheet(kWidth / 2.0 - 34, 34, 68, 56);
        QPainterPath fold;
        fold.moveTo(sheet.topLeft());
        fold.lineTo(sheet.left() + 22, sheet.top() + 6);
        fold.lineTo(sheet.left() + 46, sheet.top());
        fold.lineTo(sheet.right(), sheet.top() + 6);
        fold.lineTo(sheet.bottomRight());
        fold.lineTo(sheet.left() + 46, sheet.bottom() - 6);
        fold.lineTo(sheet.left() + 22, sheet.bottom());
        fold.lineTo(sheet.left(), sheet.bottom() - 6);
        fold.closeSubpath();
        p.setPen(QPen(QColor(120, 130, 150), 2));
        p.setBrush(QColor(52, 58, 72));
        p.drawPath(fold);
        p.drawLine(QPointF(sheet.left() + 22, sheet.top() + 6),
                   QPointF(sheet.left() + 22, sheet.bottom()));
        p.drawLine(QPointF(sheet.left() + 46, sheet.top()),
                   QPointF(sheet.left() + 46, sheet.bottom() - 6));
        if (missing) {
            p.setPen(QPen(QColor(220, 60, 50), 6, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(sheet.topLeft() + QPointF(-6, -6), sheet.bottomRight() + QPointF(6, 6));
        }
        QFont f = font();
        f.setBold(true);
        p.setFont(f);
        p.setPen(missing ? QColor(240, 120, 110) : QColor(200, 205, 215));
        p.drawText(QRect(0, 104, kWidth, 22), Qt::AlignCenter, title);
        f.setBold(false);
        p.setFont(f);
        p.setPen(QColor(170, 175, 190));
        p.drawText(QRect(0, 128, kWidth, 22), Qt::AlignCenter, map);
    }
    p.end();
    m_box->clear();
    m_box->drawImage(canvas);
}

} // namespace fragdeck
