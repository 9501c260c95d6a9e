#include "ui/sleep_menu_button.hpp"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <array>
#include <utility>

#include "ui/app_font.hpp"

namespace quilvo::ui {
namespace {

constexpr int kSymbolSize = 9;
constexpr int kTextSize = 10;
constexpr int kGap = 3;

QString itemTitle(std::int64_t minutes) {
    if (minutes == 0) {
        return QStringLiteral("关闭定时");
    }
    return QStringLiteral("%1 分钟后停止").arg(minutes);
}

}  // namespace

SleepMenuButton::SleepMenuButton(std::function<void(std::int64_t)> choose, QWidget* parent)
    : QToolButton(parent) {
    setFocusPolicy(Qt::NoFocus);
    // Orca 43 calls a button a menu button only when a child of it has the role "menu", which
    // no Qt 6.4 object has: the description says it.
    setAccessibleDescription(QStringLiteral("菜单：选择多久后停止播放"));
    setPopupMode(QToolButton::InstantPopup);
    setFont(sizedFont(font(), kTextSize));
    for (const std::int64_t minutes : std::array<std::int64_t, 4>{0, 15, 30, 60}) {
        QAction* item = menu_.addAction(itemTitle(minutes));
        connect(item, &QAction::triggered, this, [choose, minutes] { choose(minutes); });
    }
    setMenu(&menu_);
}

void SleepMenuButton::setLook(bool active, const QString& label, const QColor& color) {
    active_ = active;
    color_ = color;
    if (label_ != label) {
        label_ = label;
        setAccessibleName(label);
        updateGeometry();
    }
    update();
}

QSize SleepMenuButton::sizeHint() const {
    const QFontMetrics metrics(font());
    return {kSymbolSize + kGap + metrics.horizontalAdvance(label_),
            std::max(kSymbolSize, metrics.height())};
}

void SleepMenuButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const double middle = height() / 2.0;
    paintSymbol(painter, active_ ? Symbol::moonFill : Symbol::moon,
                QRectF(0, middle - kSymbolSize / 2.0, kSymbolSize, kSymbolSize), color_);
    painter.setPen(color_);
    painter.setFont(font());
    const QRect textArea(kSymbolSize + kGap, 0, width() - kSymbolSize - kGap, height());
    painter.drawText(textArea, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, label_);
}

}  // namespace quilvo::ui
