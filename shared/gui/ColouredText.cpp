#include "ColouredText.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QStyle>

namespace fragdeck
{

QColor readableGameColour(int index, const QPalette& palette)
{
    const QColor base = palette.color(QPalette::Base);
    const bool light = base.lightness() > 128;
    switch (index & 7) {
    case 7:
        return palette.color(QPalette::Text);
    case 0:
        return light ? QColor(Qt::black) : QColor(Qt::darkGray);
    case 2:
    case 3:
    case 5:
        return light ? QColor(gameColour(index)).darker(170) : QColor(gameColour(index));
    default:
        return QColor(gameColour(index));
    }
}

void ColouredTextDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const
{
    const QString coded = index.data(ColouredTextRole).toString();
    if (coded.isEmpty()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    opt.text.clear();
    const QWidget* widget = opt.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

    const QRect area =
        style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget).adjusted(2, 0, -2, 0);
    painter->save();
    painter->setClipRect(area);
    painter->setFont(opt.font);
    const bool selected = opt.state & QStyle::State_Selected;
    QPalette palette = opt.palette;
    if (selected)
        palette.setColor(QPalette::Text, palette.color(QPalette::HighlightedText));
    int x = area.left();
    for (const ColouredRun& run : colouredRuns(coded)) {
        QFont f = opt.font;
        f.setUnderline(run.alternate);
        painter->setFont(f);
        painter->setPen(readableGameColour(run.colour, palette));
        const int w = QFontMetrics(f).horizontalAdvance(run.text);
        painter->drawText(QRect(x, area.top(), w + 1, area.height()),
                          Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, run.text);
        x += w;
        if (x > area.right())
            break;
    }
    painter->restore();
}

} // namespace fragdeck
