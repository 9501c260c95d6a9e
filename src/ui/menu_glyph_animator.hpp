#pragma once

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <chrono>
#include <functional>
#include <optional>

#include "ui/xembed_frames.hpp"

namespace quilvo::ui {

// Keeps the tray icon's glyph in step with the player: bobbing while playing or connecting
// (15 frames a second unless told fewer), at rest otherwise, with no timer running at rest.
class MenuGlyphAnimator : public QObject {
    Q_OBJECT

  public:
    explicit MenuGlyphAnimator(QObject* parent = nullptr);

    // Where frames are shown: Qt's tray icon (held weakly), or a function that shows them.
    void setTrayIcon(QSystemTrayIcon* icon) { icon_ = icon; }
    using FrameSink =
        std::function<void(double time, bool playing, std::optional<int> activeIndex)>;
    void setFrameSink(FrameSink sink) { sink_ = std::move(sink); }

    // Whether the icon is a window of our own (XEmbed), where frames go straight onto it.
    void setOwnWindow(bool own) { ownWindow_ = own; }

    // Frames a second while animating; the wave keeps its speed at any rate.
    void setFramesPerSecond(int frames);
    int framesPerSecond() const { return framesPerSecond_; }

    void update(bool playing, std::optional<int> activeIndex);
    // Shows the current frame at once, where frames have just begun to go somewhere else.
    void redraw() { show(time_); }

    // One frame: what the frame timer runs.
    void advanceFrame();

    bool isAnimating() const { return animating_; }
    double time() const { return time_; }

  private:
    void scheduleNextFrame();

    void show(double time);

    QPointer<QSystemTrayIcon> icon_;
    FrameSink sink_;
    QTimer frameTimer_;
    bool ownWindow_ = false;
    XembedFrames ownWindowFrames_;
    int framesPerSecond_ = 15;
    bool animating_ = false;
    double time_ = 0;
    bool playing_ = false;
    std::optional<int> activeIndex_;
    std::chrono::steady_clock::time_point framesStart_;
    long long framesShown_ = 0;
};

}  // namespace quilvo::ui
