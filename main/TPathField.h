#pragma once
// A read-only field that shows a folder path. Paths are longer than the
// field; the start (which disk, whose home) and the end (which folder) both
// matter, so the middle gives way, and the whole path is the tooltip.
#include <QLineEdit>

class TPathField : public QLineEdit {
    Q_OBJECT
public:
    explicit TPathField(QWidget* parent = nullptr);

    // The text as it is drawn in `width` pixels.
    QString ShownText(int width) const;

protected:
    void paintEvent(QPaintEvent* event) override;
};
