#pragma once
// A one-column list whose rows its owner paints, with mouse tracking: the
// profile chooser's two lists. It knows rows, not what they show.
#include <QAbstractScrollArea>

#include <functional>

class TOwnerDrawnList : public QAbstractScrollArea {
    Q_OBJECT
public:
    // Paints row `row` into `cell` (list coordinates of the visible part).
    using TDrawRow = std::function<void(QPainter& painter, int row, const QRect& cell)>;

    TOwnerDrawnList(int columnWidth, int rowHeight, QWidget* parent = nullptr);

    void SetDrawRow(TDrawRow draw) { FDrawRow = std::move(draw); }
    void SetRowCount(int count);
    int RowCount() const { return FRowCount; }
    int RowHeight() const { return FRowHeight; }
    // The row under a point of the viewport; -1 outside every row.
    int RowAt(const QPoint& pos) const;
    // The rectangle of `row` in viewport coordinates.
    QRect CellRect(int row) const;
    bool ScrollBarVisible() const;
    // Scrolls so that `row` is shown.
    void ShowRow(int row);

signals:
    // The mouse moved over the list; `row` is -1 outside every row.
    void RowHovered(int row);
    void Clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void UpdateScrollRange();

    int FColumnWidth;
    int FRowHeight;
    int FRowCount = 0;
    TDrawRow FDrawRow;
};
