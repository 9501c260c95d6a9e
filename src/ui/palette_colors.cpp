#include "ui/palette_colors.hpp"

#include <QPalette>
#include <QWidget>

namespace quilvo::ui {

QColor tintColor(Mood mood, double opacity) {
    const Tint tint = mood.tint();
    return QColor::fromRgbF(static_cast<float>(tint.red), static_cast<float>(tint.green),
                            static_cast<float>(tint.blue), static_cast<float>(opacity));
}

QColor primaryColor(const QWidget& widget, double opacity) {
    QColor color = widget.palette().color(QPalette::WindowText);
    color.setAlphaF(static_cast<float>(color.alphaF() * opacity));
    return color;
}

QColor secondaryColor(const QWidget& widget) {
    return primaryColor(widget, 0.5);
}

QColor warningOrange() {
    return QColor::fromRgbF(1.0F, 0.584F, 0.0F);
}

}  // namespace quilvo::ui
