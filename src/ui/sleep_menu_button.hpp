#pragma once

#include <QColor>
#include <QMenu>
#include <QToolButton>
#include <cstdint>
#include <functional>

#include "ui/symbols.hpp"

namespace quilvo::ui {

// The sleep timer's menu: a moon and a short text; its items choose the minutes.
class SleepMenuButton : public QToolButton {
    Q_OBJECT

  public:
    // `choose` receives the minutes of the chosen item (0 turns the timer off).
    explicit SleepMenuButton(std::function<void(std::int64_t)> choose, QWidget* parent = nullptr);

    void setLook(bool active, const QString& label, const QColor& color);
    bool isActiveLook() const { return active_; }
    QString label() const { return label_; }
    QColor color() const { return color_; }

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QMenu menu_;
    bool active_ = false;
    QString label_;
    QColor color_;
};

}  // namespace quilvo::ui
