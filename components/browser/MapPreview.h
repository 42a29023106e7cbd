#pragma once
// The selected server's map: its level shot from the player's own archives, or a marker
// when the player does not have the map. The archives are listed once, when the first
// map is shown.
#include "archive/LevelShots.h"

#include <QWidget>
#include <optional>

class QLabel;

namespace fragdeck
{

namespace archive
{
class PictureBox;
}

class MapPreview : public QWidget
{
    Q_OBJECT
public:
    explicit MapPreview(QWidget* parent = nullptr);
    ~MapPreview() override;

    // Empty text clears the preview.
    void showMap(const QString& map);

    enum class Shown { Nothing, LevelShot, NoLevelShot, Missing };
    Shown shown() const { return m_shown; }
    // The archive member shown (empty unless a level shot is).
    const QString& shownMember() const { return m_member; }
    // The game's data folders to look in (default: those of the installed game).
    void setDataFolders(const QStringList& folders);
    // The player's maps, listed at the first call; the list marks missing maps with it.
    const archive::MapArchives& archives();

private:
    void drawMarker(const QString& title, const QString& map, bool missing);

    std::optional<QStringList> m_folders;
    std::optional<archive::MapArchives> m_archives;
    archive::UnzipModule m_unzip;
    archive::PictureBox* m_box = nullptr;
    QLabel* m_caption = nullptr;
    Shown m_shown = Shown::Nothing;
    QString m_member;
};

} // namespace fragdeck
