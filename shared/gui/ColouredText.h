#pragma once
// Game colour codes drawn in the suite's lists and labels.
#include "game/GameText.h"

#include <QColor>
#include <QStyledItemDelegate>

class QPalette;

namespace fragdeck
{

// A game colour readable on a view's background: white becomes the view's own text colour,
// and yellow, green and cyan darken on a light background.
QColor readableGameColour(int index, const QPalette& palette);

// Draws an item's text in the game's colours. The coded text is in ColouredTextRole; the
// display text holds it without codes, for sorting, searching and accessibility.
class ColouredTextDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    static constexpr int ColouredTextRole = Qt::UserRole + 77;
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

} // namespace fragdeck
