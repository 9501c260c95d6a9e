#pragma once

#include <QImage>
#include <QPainter>
#include <QWidget>
#include <functional>

namespace quilvo::testing {

// A transparent canvas of `size` pixels with `draw` applied.
inline QImage paintToImage(QSize size, const std::function<void(QPainter&)>& draw) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    draw(painter);
    painter.end();
    return image;
}

// What the widget itself paints, on a transparent canvas.
inline QImage renderWidget(QWidget& widget) {
    QImage image(widget.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

}  // namespace quilvo::testing
