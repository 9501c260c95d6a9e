#pragma once

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <chrono>
#include <optional>

namespace quilvo::ui {

// Keeps the tray icon's glyph in step with the player: bobbing 15 frames a second while
// playing or connecting, at rest otherwise, with no timer running at rest.
class MenuGlyphAnimator : public QObject {
    Q_OBJECT

  public:
    explicit MenuGlyphAnimator(QObject* parent = nullptr);

    // Where frames are shown; held weakly.
    void setTrayIcon(QSystemTrayIcon* icon) { icon_ = icon; }

    void update(bool playing, std::optional<int> activeIndex);

    // One frame: what the frame timer runs.
    void advanceFrame();

    bool isAnimating() const { return animating_; }
    double time() const { return time_; }

  private:
    void scheduleNextFrame();

    QPointer<QSystemTrayIcon> icon_;
    QTimer frameTimer_;
    bool animating_ = false;
    double time_ = 0;
    bool playing_ = false;
    std::optional<int> activeIndex_;
    std::chrono::steady_clock::time_point framesStart_;
    long long framesShown_ = 0;
};

}  // namespace quilvo::ui
