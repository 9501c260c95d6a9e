#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <optional>

namespace quilvo::ui {

// On an XEmbed tray the icon is a small window of our own, which Qt repaints through its whole
// widget machinery for every frame: at fifteen frames a second that costs more than decoding
// the stream. While the glyph bobs, this puts each frame straight on that window instead, over
// the tray's background (taken once). Qt still draws the icon whenever it repaints on its own.
class XembedFrames {
  public:
    // Shows one frame of the glyph; false where it cannot (no X11, no XEmbed icon window yet),
    // and the caller sets the icon the usual way.
    bool show(double time, bool playing, std::optional<int> activeIndex);

  private:
    bool attach();

    QPointer<QWidget> window_;
    unsigned long windowId_ = 0;
    QSize pixels_;
    int depth_ = 0;
    std::uint32_t gc_ = 0;
    // What the window shows under the glyph where it has no alpha channel.
    QImage background_;
    QImage canvas_;
};

}  // namespace quilvo::ui
