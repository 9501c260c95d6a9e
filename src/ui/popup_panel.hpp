#pragma once

#include <QElapsedTimer>
#include <QRect>
#include <QWidget>
#include <functional>

namespace quilvo::ui {

// The panel: a frameless tool window holding one content widget. A tool window rather than a
// popup, because a Wayland compositor places popups nowhere useful and screen readers never
// see them. It closes on Escape, when it loses the focus and, on X11, on a press outside it:
// there it holds the pointer while shown, since a click on the bare desktop moves no focus
// (the press that closes it reaches nothing else, as with a menu). Its content is
// made when it first opens: laying out the content loads the fonts, megabytes a tray
// application that is never opened does not need.
class PopupPanel : public QWidget {
    Q_OBJECT

  public:
    explicit PopupPanel(std::function<QWidget*()> makeContent);

    // Shows the panel under `anchor` (global coordinates) where the platform lets an
    // application place its windows, and gives the content the keyboard.
    void showUnder(const QRect& anchor);
    // What a click on the tray icon does: close the panel, or open it under `anchor`. A click
    // that has just taken the focus away, and so closed the panel, does not open it again.
    void toggleUnder(const QRect& anchor);
    // The content, made now if it was not yet.
    QWidget* content();

  protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    // Takes the pointer back once a menu of ours that held it has closed.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void dismiss();
    // Grabs the pointer on X11; a window not mapped yet, or another client's grab, makes it
    // try again a few times.
    void holdPointer(int triesLeft);

    std::function<QWidget*()> makeContent_;
    QWidget* content_ = nullptr;
    QElapsedTimer closedByFocusLoss_;
    QElapsedTimer shown_;
};

}  // namespace quilvo::ui
