#include "ui/app_font.hpp"

#include <QApplication>
#include <QStringList>

namespace quilvo::ui {

void applyApplicationFont(QApplication& app) {
    QFont font = QApplication::font();
    QStringList families{QStringLiteral("Noto Sans CJK SC")};
    const QStringList current =
        font.families().isEmpty() ? QStringList{font.family()} : font.families();
    families.append(current);
    font.setFamilies(families);
    app.setFont(font);
}

QFont sizedFont(const QFont& base, int pixels, QFont::Weight weight) {
    QFont font = base;
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

}  // namespace quilvo::ui
