#pragma once

#include <QAbstractButton>
#include <QColor>
#include <optional>

#include "ui/symbols.hpp"

namespace quilvo::ui {

// A chrome-less button showing one drawn symbol, optionally on a filled disc.
class SymbolButton : public QAbstractButton {
    Q_OBJECT

  public:
    SymbolButton(Symbol symbol, int symbolSize, QWidget* parent = nullptr);

    Symbol symbol() const { return symbol_; }
    void setSymbol(Symbol symbol);
    QColor symbolColor() const { return symbolColor_; }
    void setSymbolColor(const QColor& color);
    void setHeavy(bool heavy);
    // A disc of `diameter` behind the symbol, centred.
    void setDisc(int diameter, const QColor& color);
    QColor discColor() const { return discColor_; }

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    Symbol symbol_;
    int symbolSize_;
    QColor symbolColor_;
    bool heavy_ = false;
    int discDiameter_ = 0;
    QColor discColor_;
};

}  // namespace quilvo::ui
