#include "ui/status_notifier_tray.hpp"

#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QtEndian>
#include <cmath>
#include <vector>

#include "ui/dbus_menu_export.hpp"
#include "ui/menu_glyph.hpp"

namespace quilvo::ui {
namespace {

constexpr const char* kMenuPath = "/MenuBar";
// GNOME's top bar draws its icons at 16 pixels, KDE's and Xfce's panels mostly at 22. Every
// size sent is copied to the host on each frame, so only these two go.
constexpr int kPanelSizes[] = {16, 22};

TrayPixmap pixmap(const QImage& frame) {
    const QImage argb = frame.convertToFormat(QImage::Format_ARGB32);
    TrayPixmap out{argb.width(), argb.height(), {}};
    out.argb.resize(static_cast<std::size_t>(argb.width()) * argb.height() * 4);
    auto* pixel = reinterpret_cast<quint32*>(out.argb.data());
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            *pixel++ = qToBigEndian<quint32>(line[x]);
        }
    }
    return out;
}

}  // namespace

StatusNotifierTray::StatusNotifierTray(QMenu& menu)
    : item_(kMenuPath,
            StatusNotifierCalls{[this](int x, int y) { emit activated(QPoint(x, y)); },
                                [this](int, int) { emit secondaryActivated(); },
                                [this](int x, int y) { emit contextMenuRequested(QPoint(x, y)); },
                                [this](int delta, bool vertical) {
                                    if (vertical) {
                                        emit scrolled(delta);
                                    }
                                }}),
      menu_(std::make_unique<DbusMenuExport>(menu, kMenuPath, [this] { emit menuOpened(); })) {}

StatusNotifierTray::~StatusNotifierTray() = default;

void StatusNotifierTray::showFrame(double time, bool playing, std::optional<int> activeIndex) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int scale = screen ? static_cast<int>(std::ceil(screen->devicePixelRatio())) : 1;
    std::vector<TrayPixmap> pixmaps;
    for (const int size : kPanelSizes) {
        pixmaps.push_back(
            pixmap(MenuGlyph::frame(QSize(size, size) * scale, time, playing, activeIndex)));
    }
    item_.setIcon(std::move(pixmaps), "Quilvo");
}

}  // namespace quilvo::ui
