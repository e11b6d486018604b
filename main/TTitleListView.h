#pragma once
// Draws the rows of the main window's title list itself: the selected row on
// the skin's row picture, the others on the list's dark colour, a check glyph
// at the row's left edge and every text in its column's cell.
#include <QColor>
#include <QImage>
#include <QStyledItemDelegate>

class TTitleListView : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit TTitleListView(QObject* parent = nullptr);

    // The skin's "tablerow.bmp", stretched over the selected row.
    void SetRowPicture(const QImage& picture) { FRowPicture = picture; }
    // The fill of every row that is not selected.
    static QColor RowColour() { return QColor(20, 27, 37); }
    // The check glyphs, drawn once.
    static const QImage& CheckImage(bool checked);
    static constexpr int RowHeight = 20;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

private:
    void PaintText(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;
    QImage FRowPicture;
};
