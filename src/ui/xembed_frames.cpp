#include "ui/xembed_frames.hpp"

#include <xcb/xcb.h>

#include <QApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <cstdlib>

#include "ui/menu_glyph.hpp"

namespace quilvo::ui {
namespace {

xcb_connection_t* connection() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->connection() : nullptr;
}

// Qt's XEmbed tray icon window: a top-level widget of its own, known by its object name.
QWidget* trayIconWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QStringLiteral("QSystemTrayIconSys") && widget->isVisible()) {
            return widget;
        }
    }
    return nullptr;
}

}  // namespace

bool XembedFrames::attach() {
    xcb_connection_t* c = connection();
    if (c == nullptr) {
        return false;
    }
    if (!window_ || !window_->isVisible()) {
        window_ = trayIconWindow();
    }
    if (!window_) {
        return false;
    }
    const qreal scale = window_->devicePixelRatioF();
    const QSize pixels(qRound(window_->width() * scale), qRound(window_->height() * scale));
    const auto id = static_cast<xcb_window_t>(window_->winId());
    if (id == windowId_ && pixels == pixels_) {
        return depth_ != 0;
    }
    // A new window (the tray came back) or a new size: learn its depth and background afresh.
    windowId_ = id;
    pixels_ = pixels;
    depth_ = 0;
    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(c, xcb_get_geometry(c, id), nullptr);
    if (geometry == nullptr) {
        return false;
    }
    const int depth = geometry->depth;
    std::free(geometry);
    if (depth != 24 && depth != 32) {
        return false;
    }
    // A graphics context serves drawables of the depth it was made for.
    if (gc_ != 0) {
        xcb_free_gc(c, gc_);
    }
    gc_ = xcb_generate_id(c);
    const std::uint32_t noExposures = 0;
    xcb_create_gc(c, gc_, id, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    if (depth == 24) {
        // Without an alpha channel the window's back pixmap is its parent's: clearing it shows
        // the tray's own background, taken once to draw the frames over.
        xcb_clear_area(c, 0, id, 0, 0, 0, 0);
        QScreen* screen = window_->screen();
        background_ = screen != nullptr
                          ? screen->grabWindow(id).toImage().convertToFormat(QImage::Format_RGB32)
                          : QImage();
        if (background_.size() != pixels) {
            return false;
        }
    }
    canvas_ =
        QImage(pixels, depth == 32 ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    depth_ = depth;
    return true;
}

bool XembedFrames::show(double time, bool playing, std::optional<int> activeIndex) {
    if (!attach()) {
        return false;
    }
    {
        QPainter painter(&canvas_);
        if (depth_ == 32) {
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.fillRect(canvas_.rect(), Qt::transparent);
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        } else {
            painter.drawImage(0, 0, background_);
        }
        painter.drawImage(0, 0, MenuGlyph::frame(pixels_, time, playing, activeIndex));
    }
    xcb_connection_t* c = connection();
    xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, static_cast<xcb_window_t>(windowId_), gc_,
                  static_cast<std::uint16_t>(canvas_.width()),
                  static_cast<std::uint16_t>(canvas_.height()), 0, 0, 0,
                  static_cast<std::uint8_t>(depth_),
                  static_cast<std::uint32_t>(canvas_.sizeInBytes()), canvas_.constBits());
    xcb_flush(c);
    return true;
}

}  // namespace quilvo::ui
