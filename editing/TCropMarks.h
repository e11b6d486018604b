#pragma once
// The marks drawn over the crop editor's input preview: the drag handles at
// the corners and edge centres of the crop rectangle, and its dotted lines.
#include <QWidget>

#include <functional>

// A small white square with a dark rim. The window decides what a drag
// does; the handle only reports where the mouse is, in its own pixels.
class TCropHandleWidget : public QWidget {
    Q_OBJECT
public:
    TCropHandleWidget(int index, QWidget* parent);
    int Index() const { return FIndex; }

    std::function<void(TCropHandleWidget&, QPoint)> OnMouseDown;
    std::function<void(TCropHandleWidget&, QPoint)> OnMouseMove;
    std::function<void(TCropHandleWidget&)> OnMouseUp;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int FIndex;
};

// A dotted white line one pixel thick, horizontal or vertical by its shape.
class TCropLineWidget : public QWidget {
    Q_OBJECT
public:
    explicit TCropLineWidget(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};
