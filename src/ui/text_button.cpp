#include "ui/text_button.hpp"

#include <QPainter>

namespace quilvo::ui {

TextButton::TextButton(const QString& text, QWidget* parent) : QAbstractButton(parent) {
    setText(text);
    setFocusPolicy(Qt::NoFocus);
}

void TextButton::setTextColor(const QColor& color) {
    color_ = color;
    update();
}

QSize TextButton::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()), metrics.height()};
}

void TextButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(color_);
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
}

}  // namespace quilvo::ui
