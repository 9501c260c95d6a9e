#pragma once

#include <QRect>
#include <QWidget>

namespace quilvo::ui {

// A frameless popup holding one content widget. It closes on Escape and on a press anywhere
// outside it; that press is not passed on, so a click on the tray icon only closes it.
class PopupPanel : public QWidget {
    Q_OBJECT

  public:
    explicit PopupPanel(QWidget* content);

    // Shows the panel under `anchor` (global coordinates) and gives the content the keyboard.
    void showUnder(const QRect& anchor);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QWidget* content_;
};

}  // namespace quilvo::ui
