#include "ui/about_view.hpp"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/app_font.hpp"
#include "ui/link_label.hpp"
#include "ui/palette_colors.hpp"

namespace quilvo::ui {
namespace {

constexpr int kSpacing = 9;
constexpr int kPadding = 24;
constexpr int kDividerWidth = 180;
constexpr int kNoteWidth = 250;

const QString kContactAddress = QStringLiteral("hello@quilvo.app");

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void setTextColor(QWidget& widget, const QColor& color) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::WindowText, color);
    widget.setPalette(palette);
}

}  // namespace

QString versionLine(std::string_view version) {
    return QStringLiteral("版本 ") + (version.empty() ? QStringLiteral("—") : fromUtf8(version));
}

AboutView::AboutView(std::string_view version, QWidget* parent) : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    column->setSpacing(kSpacing);
    column->setContentsMargins(kPadding, kPadding, kPadding, kPadding);

    const auto addText = [&](const QString& text, int size, QFont::Weight weight,
                             const QColor& color) {
        auto* label = new QLabel(this);
        label->setTextFormat(Qt::PlainText);
        label->setText(text);
        label->setFont(sizedFont(font(), size, weight));
        label->setAlignment(Qt::AlignHCenter);
        setTextColor(*label, color);
        column->addWidget(label, 0, Qt::AlignHCenter);
        return label;
    };
    const auto addDivider = [&] {
        auto* rule = new QFrame(this);
        rule->setFrameShape(QFrame::HLine);
        rule->setFrameShadow(QFrame::Plain);
        rule->setFixedWidth(kDividerWidth);
        setTextColor(*rule, primaryColor(*this, 0.15));
        column->addWidget(rule, 0, Qt::AlignHCenter);
    };
    const auto addLink = [&](const QString& text, const QUrl& url) {
        auto* link = new LinkLabel(text, url, this);
        link->setFont(sizedFont(link->font(), 11));
        column->addWidget(link, 0, Qt::AlignHCenter);
    };
    const auto addNote = [&](const QString& text) {
        QLabel* note = addText(text, 9, QFont::Normal, primaryColor(*this, 0.45));
        note->setWordWrap(true);
        note->setAlignment(Qt::AlignLeft);
        note->setFixedWidth(kNoteWidth);
    };
    const QColor primary = primaryColor(*this);

    addText(QStringLiteral("Quilvo"), 22, QFont::DemiBold, primary);
    addText(versionLine(version), 10, QFont::Normal, secondaryColor(*this));
    addText(QStringLiteral("选一种状态，音乐便开始。"), 12, QFont::Normal, primary);
    addText(QStringLiteral("不推荐，只相遇。"), 11, QFont::Normal, secondaryColor(*this));
    addDivider();
    addLink(QStringLiteral("官网 · 下载与更新"), QUrl(fromUtf8(kSiteHome)));
    addLink(QStringLiteral("隐私政策"), QUrl(fromUtf8(kSitePrivacy)));
    addDivider();
    addText(QStringLiteral("由 Quilvo 团队设计与制作"), 11, QFont::Normal, primary);
    addLink(kContactAddress, QUrl(QStringLiteral("mailto:") + kContactAddress));
    addNote(
        QStringLiteral("音频来自公开网络电台（SomaFM / FIP / Radio Paradise / SRG），"
                       "相关权利归各自权利人所有。应用不保存收听记录，不做行为分析。"));
    addNote(
        QStringLiteral("匿名统计只回答「哪台连不上、哪个状态常被选」这类产品问题，"
                       "不含身份信息，服务端不记录 IP。"));
    addText(QStringLiteral("愿你在电波里遇见好音乐。"), 9, QFont::Normal, primaryColor(*this, 0.4));
}

void AboutView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        window()->close();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace quilvo::ui
