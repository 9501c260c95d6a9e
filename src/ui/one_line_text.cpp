#include "ui/one_line_text.hpp"

#include <QFontMetrics>
#include <QPainter>

namespace quilvo::ui {

OneLineText::OneLineText(QWidget* parent) : QWidget(parent) {}

void OneLineText::setText(const QString& text) {
    if (text_ != text) {
        text_ = text;
        setAccessibleName(text);
        update();
    }
}

void OneLineText::setColor(const QColor& color) {
    if (color_ != color) {
        color_ = color;
        update();
    }
}

QString OneLineText::shownText() const {
    // Line breaks in stream titles would otherwise start a second line.
    QString flat = text_;
    flat.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    return QFontMetrics(font()).elidedText(flat, Qt::ElideRight, width());
}

void OneLineText::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(color_);
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, shownText());
}

}  // namespace quilvo::ui
