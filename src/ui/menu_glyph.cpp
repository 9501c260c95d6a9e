#include "ui/menu_glyph.hpp"

#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace quilvo::ui::MenuGlyph {
namespace {

constexpr double kSize = 18.0;
constexpr double kDotDiameter = 3.0;
constexpr double kDotPitch = 4.6;
constexpr double kOddLift = 1.4;
constexpr double kBobAmplitude = 1.1;
constexpr double kBobSpeed = 2.2;
constexpr double kBobLag = 0.9;

// The bob repeats every kBobPeriod seconds; the tray shows one of kPhases frames of it.
constexpr double kBobPeriod = 2 * M_PI / kBobSpeed;
constexpr int kPhases = 64;
// More frames than the tray ever asks for (sizes × phases × moods); past it, start afresh.
constexpr std::size_t kMostCachedFrames = 2048;

QImage render(QSize pixels, double time, bool playing, std::optional<int> activeIndex) {
    QImage canvas(pixels, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    {
        QPainter painter(&canvas);
        MenuGlyph::paint(painter, QRectF(QPointF(0, 0), pixels), time, playing, activeIndex);
    }
    return canvas;
}

class GlyphIconEngine : public QIconEngine {
  public:
    GlyphIconEngine(double time, bool playing, std::optional<int> activeIndex)
        : time_(time), playing_(playing), activeIndex_(activeIndex) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        const qreal scale = painter->device()->devicePixelRatioF();
        const QSize pixels(qRound(rect.width() * scale), qRound(rect.height() * scale));
        painter->drawImage(rect, MenuGlyph::frame(pixels, time_, playing_, activeIndex_));
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode, QIcon::State) override {
        return QPixmap::fromImage(render(size, time_, playing_, activeIndex_));
    }

    QIconEngine* clone() const override { return new GlyphIconEngine(*this); }

    QString key() const override { return QStringLiteral("quilvo-menu-glyph"); }

    // Sizes offered to trays that ask for a list (StatusNotifierItem sends pixmaps).
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        return {{16, 16}, {22, 22}, {24, 24}, {32, 32}, {48, 48}};
    }

  private:
    double time_;
    bool playing_;
    std::optional<int> activeIndex_;
};

}  // namespace

const std::array<QColor, 4>& colors() {
    static const std::array<QColor, 4> palette{
        QColor::fromRgbF(0.949F, 0.62F, 0.22F),
        QColor::fromRgbF(0.42F, 0.659F, 0.6F),
        QColor::fromRgbF(0.902F, 0.38F, 0.302F),
        QColor::fromRgbF(0.502F, 0.439F, 0.678F),
    };
    return palette;
}

namespace {

QPointF dotCentre(int index, double time, bool playing) {
    const auto count = static_cast<double>(colors().size());
    const double firstX = kSize * 0.5 - (count - 1) * kDotPitch * 0.5;
    const double bob = playing ? kBobAmplitude * std::sin(kBobSpeed * time + kBobLag * index) : 0.0;
    const double lift = (index % 2 == 1) ? kOddLift : 0.0;
    // Lift and bob move a dot up the screen.
    return {firstX + kDotPitch * index, kSize * 0.5 - lift - bob};
}

double dotOpacity(int index, bool playing, std::optional<int> activeIndex) {
    if (!activeIndex) {
        return playing ? 0.92 : 0.55;
    }
    return index == *activeIndex ? 1.0 : 0.32;
}

}  // namespace

void paint(QPainter& painter, const QRectF& area, double time, bool playing,
           std::optional<int> activeIndex) {
    const double scale = std::min(area.width(), area.height()) / kSize;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(area.left() + (area.width() - kSize * scale) / 2,
                      area.top() + (area.height() - kSize * scale) / 2);
    painter.scale(scale, scale);
    painter.setPen(Qt::NoPen);
    const auto& palette = colors();
    for (int i = 0; i < static_cast<int>(palette.size()); ++i) {
        QColor fill = palette[static_cast<std::size_t>(i)];
        fill.setAlphaF(static_cast<float>(dotOpacity(i, playing, activeIndex)));
        painter.setBrush(fill);
        const QPointF centre = dotCentre(i, time, playing);
        const double radius = kDotDiameter / 2;
        painter.drawEllipse(
            QRectF(centre.x() - radius, centre.y() - radius, kDotDiameter, kDotDiameter));
    }
    painter.restore();
}

// The tray shows fifteen frames a second. Drawing four antialiased dots costs many times what
// copying a small image does.
const QImage& frame(QSize pixels, double time, bool playing, std::optional<int> activeIndex) {
    using Key = std::tuple<int, int, int, bool, int>;
    static std::map<Key, QImage> frames;
    const int phase =
        playing
            ? static_cast<int>(std::lround(std::fmod(time, kBobPeriod) / kBobPeriod * kPhases)) %
                  kPhases
            : 0;
    const Key key{pixels.width(), pixels.height(), phase, playing, activeIndex.value_or(-1)};
    if (auto it = frames.find(key); it != frames.end()) {
        return it->second;
    }
    if (frames.size() >= kMostCachedFrames) {
        frames.clear();
    }
    return frames.emplace(key, render(pixels, phase * kBobPeriod / kPhases, playing, activeIndex))
        .first->second;
}

QIcon image(double time, bool playing, std::optional<int> activeIndex) {
    return QIcon(new GlyphIconEngine(time, playing, activeIndex));
}

}  // namespace quilvo::ui::MenuGlyph
