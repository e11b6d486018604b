#include "catalogue/ChooserPainting.h"

#include "catalogue/ProfileIcons.h"

#include <QFontMetrics>
#include <QPainter>

#include <cmath>

namespace {

// The picture centred on `centre`, its half sizes rounded to the nearest.
void DrawCentred(QPainter& painter, const QImage& picture, QPoint centre)
{
    if (picture.isNull())
        return;
    const int halfWidth = static_cast<int>(std::lround(picture.width() / 2.0));
    const int halfHeight = static_cast<int>(std::lround(picture.height() / 2.0));
    painter.drawImage(centre - QPoint(halfWidth, halfHeight), picture);
}

void FillBox(QPainter& painter, const QRect& box, const QColor& fill, const QColor& outline)
{
    painter.fillRect(box, fill);
    painter.setPen(outline);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(box.adjusted(0, 0, -1, -1));
}

void DrawOneLine(QPainter& painter, const QRect& box, const QString& text)
{
    const QString shown = painter.fontMetrics().elidedText(text, Qt::ElideRight, box.width());
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, shown);
}

}  // namespace

void DrawProfileRow(QPainter& painter, const QRect& cell, const TProfile& profile, bool highlighted,
                    const QList<TProfileIcon>& icons, const QImage& arrow)
{
    painter.save();
    painter.fillRect(cell, ChooserColours::Background);
    if (highlighted)
        FillBox(painter, QRect(QPoint(cell.left() + 5, cell.top()), QPoint(cell.right() - 5, cell.bottom())),
                ChooserColours::ProfileHighlight, ChooserColours::ProfileOutline);
    DrawCentred(painter, ProfileIconPicture(icons, profile.Icon, Qt::CaseSensitive),
                QPoint(cell.left() + 15, cell.top() + 12));
    painter.setPen(Qt::white);
    DrawOneLine(painter, QRect(QPoint(cell.left() + 32, cell.top() + 5), QPoint(cell.right() - 10, cell.bottom())),
                profile.Title);
    if (!arrow.isNull())
        painter.drawImage(QPoint(cell.right() - 17, cell.top() + 5), arrow);
    painter.restore();
}

void DrawFormatRow(QPainter& painter, const QRect& cell, const TFormat* format, bool hovered,
                   bool scrollBarVisible, const QList<TProfileIcon>& icons)
{
    painter.save();
    painter.fillRect(cell, ChooserColours::Background);
    if (hovered) {
        const int right = cell.right() - (scrollBarVisible ? 20 : 5);
        FillBox(painter, QRect(QPoint(cell.left() + 5, cell.top()), QPoint(right, cell.bottom())),
                ChooserColours::FormatHighlight, ChooserColours::FormatOutline);
    }
    if (format) {
        DrawCentred(painter, ProfileIconPicture(icons, format->Icon), QPoint(cell.left() + 28, cell.top() + 20));
        QFont bold = painter.font();
        bold.setBold(true);
        painter.setFont(bold);
        painter.setPen(Qt::white);
        DrawOneLine(painter, QRect(QPoint(cell.left() + 50, cell.top() + 2), QPoint(cell.right(), cell.top() + 20)),
                    format->Title);
        bold.setBold(false);
        painter.setFont(bold);
        painter.setPen(ChooserColours::Description);
        painter.drawText(QRect(QPoint(cell.left() + 50, cell.top() + 20), QPoint(cell.right() - 20, cell.bottom() - 2)),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, format->Description);
    }
    painter.restore();
}
