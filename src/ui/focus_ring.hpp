#pragma once

#include <QWidget>

namespace quilvo::ui {

// A ring around whichever control inside `owner` has the keyboard focus, so that a keyboard
// user sees where Tab went; the panel's controls draw no focus of their own.
class FocusRing : public QWidget {
    Q_OBJECT

  public:
    explicit FocusRing(QWidget* owner);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void follow(QWidget* focus);
};

}  // namespace quilvo::ui
