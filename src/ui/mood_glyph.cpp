#include "ui/mood_glyph.hpp"

#include <QPainter>
#include <QPen>
#include <algorithm>

namespace quilvo::ui {
namespace {

constexpr double kDesignSize = 32.0;
constexpr double kLineWidth = 2.0;

void line(QPainterPath& path, QPointF from, QPointF to) {
    path.moveTo(from);
    path.lineTo(to);
}

}  // namespace

QPainterPath moodGlyphPath(Mood mood) {
    QPainterPath path;
    switch (mood.value()) {
        case Mood::bright:
            path.addEllipse(QRectF(13.6, 4.1, 4.8, 4.8));
            line(path, {16, 8.9}, {16, 18.5});
            line(path, {16, 11.5}, {9.5, 7});
            line(path, {16, 11.5}, {22.5, 7});
            line(path, {16, 18.5}, {12, 27});
            line(path, {16, 18.5}, {20, 27});
            break;
        case Mood::calm:
            line(path, {5.5, 15.5}, {26.5, 15.5});
            line(path, {8, 15.5}, {8, 26.5});
            line(path, {24, 15.5}, {24, 26.5});
            path.addEllipse(QRectF(13.6, 5.1, 4.8, 4.8));
            line(path, {16, 9.9}, {16, 15.5});
            line(path, {16, 12.5}, {20.5, 14.8});
            break;
        case Mood::energy:
            path.addEllipse(QRectF(16.1, 3.6, 4.8, 4.8));
            line(path, {18, 8.4}, {14.5, 17.5});
            line(path, {16.8, 11}, {22.5, 9.5});
            line(path, {16.8, 11}, {11, 12.5});
            line(path, {14.5, 17.5}, {20.5, 26.5});
            line(path, {14.5, 17.5}, {9, 24});
            break;
        case Mood::sleep:
            path.addEllipse(QRectF(5.1, 18.1, 4.8, 4.8));
            line(path, {9.9, 20.8}, {19.5, 21.5});
            path.moveTo(11.5, 25.5);
            path.quadTo(17.5, 15.5, 25, 22.5);
            break;
    }
    return path;
}

void paintMoodGlyph(QPainter& painter, Mood mood, const QRectF& area, const QColor& color) {
    const double scale = std::min(area.width(), area.height()) / kDesignSize;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(area.left() + (area.width() - kDesignSize * scale) / 2,
                      area.top() + (area.height() - kDesignSize * scale) / 2);
    painter.scale(scale, scale);
    QPen pen(color, kLineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    pen.setMiterLimit(10);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(moodGlyphPath(mood));
    painter.restore();
}

}  // namespace quilvo::ui
