#include "ui/symbols.hpp"

#include <QPainter>
#include <QPainterPath>

namespace quilvo::ui {
namespace {

// Shapes live in a unit square; the caller scales it to the symbol's size.
QPainterPath triangle(QPointF a, QPointF b, QPointF c) {
    QPainterPath path;
    path.moveTo(a);
    path.lineTo(b);
    path.lineTo(c);
    path.closeSubpath();
    return path;
}

QPainterPath crescent() {
    QPainterPath moon;
    moon.addEllipse(QRectF(0.12, 0.12, 0.76, 0.76));
    QPainterPath bite;
    bite.addEllipse(QRectF(0.36, 0.0, 0.66, 0.66));
    return moon.subtracted(bite);
}

}  // namespace

void paintSymbol(QPainter& painter, Symbol symbol, const QRectF& box, const QColor& color,
                 bool heavy) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(box.topLeft());
    painter.scale(box.width(), box.height());
    const double stroke = heavy ? 0.13 : 0.09;
    const QPen roundPen(color, 0.08, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    switch (symbol) {
        case Symbol::play:
            painter.setPen(roundPen);
            painter.setBrush(color);
            painter.drawPath(triangle({0.24, 0.12}, {0.24, 0.88}, {0.88, 0.5}));
            break;
        case Symbol::pause:
            painter.setPen(Qt::NoPen);
            painter.setBrush(color);
            painter.drawRoundedRect(QRectF(0.2, 0.12, 0.2, 0.76), 0.05, 0.05);
            painter.drawRoundedRect(QRectF(0.6, 0.12, 0.2, 0.76), 0.05, 0.05);
            break;
        case Symbol::forwardEnd:
            painter.setPen(roundPen);
            painter.setBrush(color);
            painter.drawPath(triangle({0.1, 0.18}, {0.1, 0.82}, {0.66, 0.5}));
            painter.setPen(Qt::NoPen);
            painter.drawRoundedRect(QRectF(0.74, 0.16, 0.14, 0.68), 0.04, 0.04);
            break;
        case Symbol::moon:
            painter.setPen(QPen(color, stroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            painter.setBrush(Qt::NoBrush);
            painter.drawPath(crescent());
            break;
        case Symbol::moonFill:
            painter.setPen(Qt::NoPen);
            painter.setBrush(color);
            painter.drawPath(crescent());
            break;
        case Symbol::power: {
            painter.setPen(QPen(color, stroke, Qt::SolidLine, Qt::RoundCap));
            painter.setBrush(Qt::NoBrush);
            QPainterPath ring;
            ring.arcMoveTo(QRectF(0.15, 0.18, 0.7, 0.7), 60);
            ring.arcTo(QRectF(0.15, 0.18, 0.7, 0.7), 60, -300);
            painter.drawPath(ring);
            painter.drawLine(QPointF(0.5, 0.08), QPointF(0.5, 0.5));
            break;
        }
    }
    painter.restore();
}

}  // namespace quilvo::ui
