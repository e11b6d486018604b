#include "main/TTitleListView.h"

#include "main/TitleColumns.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QTreeView>

namespace {

// How far the list is scrolled sideways; the row parts are placed in content
// coordinates and moved left by it.
int ScrollOffset(const QStyleOptionViewItem& option)
{
    const auto* view = qobject_cast<const QTreeView*>(option.widget);
    return view ? view->header()->offset() : 0;
}

int RowLength(const QStyleOptionViewItem& option)
{
    const auto* view = qobject_cast<const QTreeView*>(option.widget);
    return view ? view->header()->length() : option.rect.width();
}

// The whole row in viewport coordinates, wherever the list is scrolled.
QRect ViewportRow(const QStyleOptionViewItem& option)
{
    return QRect(-ScrollOffset(option), option.rect.top(), RowLength(option), option.rect.height());
}

QRect CheckBox(const QStyleOptionViewItem& option)
{
    return QRect(CheckImagePos(ViewportRow(option)), TTitleListView::CheckImage(false).size());
}

QImage DrawCheckGlyph(bool checked)
{
    QImage image(13, 13, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(150, 160, 175), 1));
    p.setBrush(QColor(34, 42, 55));
    p.drawRect(QRectF(0.5, 0.5, 12, 12));
    if (checked) {
        p.setPen(QPen(QColor(235, 240, 245), 2));
        p.drawPolyline(QPolygonF({QPointF(3, 6.5), QPointF(5.5, 9), QPointF(10, 3.5)}));
    }
    return image;
}

}  // namespace

TTitleListView::TTitleListView(QObject* parent) : QStyledItemDelegate(parent) {}

const QImage& TTitleListView::CheckImage(bool checked)
{
    static const QImage on = DrawCheckGlyph(true);
    static const QImage off = DrawCheckGlyph(false);
    return checked ? on : off;
}

// The view asks for one cell at a time: each paints its part of the row's
// background (so the selected row's picture looks drawn in one piece) and
// its own text inside the cell, which is where the header has the column
// now, however the user sized it.
void TTitleListView::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QRect row = ViewportRow(option);
    painter->save();
    painter->setClipRect(option.rect, Qt::IntersectClip);
    if ((option.state & QStyle::State_Selected) && !FRowPicture.isNull())
        painter->drawImage(row, FRowPicture);
    else
        painter->fillRect(row, RowColour());
    if (index.column() == tcSource) {
        const bool checked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
        painter->drawImage(CheckImagePos(row), CheckImage(checked));
    }
    PaintText(painter, option, index);
    painter->restore();
}

void TTitleListView::PaintText(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const int column = index.column();
    if (column < 0 || column >= kTitleColumnCount)
        return;
    painter->setPen(option.palette.color(QPalette::Text));
    painter->setFont(option.font);
    const QFontMetrics metrics(option.font);
    const QRect rect = CellTextRect(column, option.rect);
    const QString text = index.data(Qt::DisplayRole).toString();
    const Qt::Alignment horizontal = TitleColumn(column).Centred ? Qt::AlignHCenter : Qt::AlignLeft;
    painter->drawText(rect, int(horizontal | Qt::AlignVCenter | Qt::TextSingleLine),
                      metrics.elidedText(text, Qt::ElideRight, rect.width()));
}

QSize TTitleListView::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    return QSize(QStyledItemDelegate::sizeHint(option, index).width(), RowHeight);
}

// The check glyph is drawn where the style would not put its indicator, so
// the mouse is matched against the glyph; the keyboard keeps the usual
// space-bar toggle.
bool TTitleListView::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                 const QModelIndex& index)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick && type != QEvent::MouseButtonPress)
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (type == QEvent::MouseButtonPress || !CheckBox(option).contains(mouse->position().toPoint()))
        return false;  // a press still selects the row
    if (type == QEvent::MouseButtonDblClick || mouse->button() != Qt::LeftButton)
        return true;
    const QModelIndex first = index.siblingAtColumn(0);
    if (!(first.flags() & Qt::ItemIsUserCheckable))
        return false;
    const bool checked = first.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    return model->setData(first, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
}
