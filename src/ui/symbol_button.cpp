#include "ui/symbol_button.hpp"

#include <QPainter>
#include <algorithm>

namespace quilvo::ui {

SymbolButton::SymbolButton(Symbol symbol, int symbolSize, QWidget* parent)
    : QAbstractButton(parent), symbol_(symbol), symbolSize_(symbolSize) {
    // The panel handles Space itself; a focused button would take it.
    setFocusPolicy(Qt::NoFocus);
}

void SymbolButton::setSymbol(Symbol symbol) {
    if (symbol_ != symbol) {
        symbol_ = symbol;
        update();
    }
}

void SymbolButton::setSymbolColor(const QColor& color) {
    if (symbolColor_ != color) {
        symbolColor_ = color;
        update();
    }
}

void SymbolButton::setHeavy(bool heavy) {
    heavy_ = heavy;
    update();
}

void SymbolButton::setDisc(int diameter, const QColor& color) {
    discDiameter_ = diameter;
    discColor_ = color;
    update();
}

QSize SymbolButton::sizeHint() const {
    const int side = std::max(symbolSize_, discDiameter_);
    return {side, side};
}

void SymbolButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(width() / 2.0, height() / 2.0);
    if (discDiameter_ > 0) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(discColor_);
        painter.drawEllipse(centre, discDiameter_ / 2.0, discDiameter_ / 2.0);
    }
    const QRectF box(centre.x() - symbolSize_ / 2.0, centre.y() - symbolSize_ / 2.0, symbolSize_,
                     symbolSize_);
    paintSymbol(painter, symbol_, box, symbolColor_, heavy_);
}

}  // namespace quilvo::ui
