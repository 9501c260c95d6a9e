#include "ui/popover_view.hpp"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <initializer_list>

#include "ui/announcer.hpp"
#include "ui/app_font.hpp"
#include "ui/focus_ring.hpp"
#include "ui/mood_circle.hpp"
#include "ui/one_line_text.hpp"
#include "ui/palette_colors.hpp"
#include "ui/sleep_menu_button.hpp"
#include "ui/symbol_button.hpp"
#include "ui/text_button.hpp"

namespace quilvo::ui {
namespace {

constexpr int kPadSide = 22;
constexpr int kPadTop = 24;
constexpr int kPadBottom = 12;
constexpr int kSectionGap = 14;
constexpr int kInnerWidth = PopoverView::kWidth - 2 * kPadSide;

constexpr int kCellWidth = 66;
constexpr int kCellGap = 6;
constexpr int kCellSpacing = 3;
constexpr int kMoodLabelHeight = 13;
constexpr int kMoodRowWidth = 4 * kCellWidth + 3 * kCellGap;
constexpr int kMoodRowHeight = MoodCircle::kFrameSize + kCellSpacing + kMoodLabelHeight;
constexpr int kMoodRowTop = kPadTop;

constexpr int kLineHeight = 18;
constexpr int kLineTop = kMoodRowTop + kMoodRowHeight + kSectionGap;

constexpr int kPlayDisc = 56;
constexpr int kNextBox = 20;
constexpr int kTransportGap = 34;
constexpr int kTransportTop = kLineTop + kLineHeight + kSectionGap;
constexpr int kFooterTop = kTransportTop + kPlayDisc + kSectionGap;

constexpr int kSleepFrameWidth = 100;
constexpr int kFooterSpacing = 8;
constexpr int kQuitBox = 11;

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

const QString kSlogan = QStringLiteral("不推荐，只相遇。");
const QString kCredit = QStringLiteral("由 Quilvo 团队制作");
const QString kMoodGroup = QStringLiteral("选一种状态");

QString phaseSentence(PlayerModel::Phase phase, const QString& station) {
    switch (phase) {
        case PlayerModel::Phase::connecting:
            return QStringLiteral("正在连接 ") + station;
        case PlayerModel::Phase::playing:
            return QStringLiteral("正在播放 ") + station;
        case PlayerModel::Phase::paused:
            return QStringLiteral("已暂停");
        case PlayerModel::Phase::idle:
            break;
    }
    return QStringLiteral("已停止");
}

}  // namespace

PopoverView::PopoverView(PlayerModel& model, NotificationCenter& notifications,
                         const ReduceMotion& reduceMotion, QWidget* parent)
    : QWidget(parent), model_(model), notifications_(notifications), reduceMotion_(reduceMotion) {
    // The panel gives it the keys when it opens, but Tab stops only at the controls.
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);

    announcer_ = new Announcer(this);
    buildMoodRow();
    sharedLine_ = new OneLineText(this);
    sharedLine_->setObjectName(QStringLiteral("sharedLine"));
    sharedLine_->setGeometry(kPadSide, kLineTop, kInnerWidth, kLineHeight);
    buildTransport();
    buildFooter();
    refresh();

    footer_->setFixedSize(kInnerWidth, footer_->layout()->sizeHint().height());
    footer_->move(kPadSide, kFooterTop);
    setFixedSize(kWidth, kFooterTop + footer_->height() + kPadBottom);
    for (QWidget* control :
         std::initializer_list<QWidget*>{circles_[0], circles_[1], circles_[2], circles_[3],
                                         playPause_, next_, sleepMenu_, credit_, quit_}) {
        makeReachable(control);
    }
    new FocusRing(this);
    follower_.emplace(model_, this, [this] { refresh(); });
}

void PopoverView::buildMoodRow() {
    const int rowLeft = kPadSide + (kInnerWidth - kMoodRowWidth) / 2;
    // The hit circles reach 4 points beyond the 64-point frames on every side.
    const int overhang = (MoodCircle::kHitDiameter - MoodCircle::kFrameSize) / 2;
    const int groupLeft = rowLeft + (kCellWidth - MoodCircle::kFrameSize) / 2 - overhang;
    // One named group: a screen reader reads the moods as one choice of four.
    auto* group = new QWidget(this);
    group->setObjectName(QStringLiteral("moods"));
    group->setAccessibleName(kMoodGroup);
    group->setGeometry(groupLeft, kMoodRowTop - overhang, kMoodRowWidth + 2 * overhang,
                       MoodCircle::kHitDiameter);
    const auto moods = Mood::allCases();
    for (std::size_t i = 0; i < moods.size(); ++i) {
        const Mood mood = moods[i];
        const int cellLeft = rowLeft + static_cast<int>(i) * (kCellWidth + kCellGap);
        const QString id = fromUtf8(mood.id());

        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("mood-label-") + id);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignCenter);
        label->setFont(sizedFont(font(), 10));
        label->setGeometry(cellLeft, kMoodRowTop + MoodCircle::kFrameSize + kCellSpacing,
                           kCellWidth, kMoodLabelHeight);
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, tintColor(mood));
        label->setPalette(palette);
        moodLabels_[i] = label;

        auto* circle = new MoodCircle(
            mood, reduceMotion_, [this, mood] { chooseMood(mood); }, group);
        circle->setObjectName(QStringLiteral("mood-") + id);
        circle->move(cellLeft - rowLeft, 0);
        circles_[i] = circle;
    }
}

void PopoverView::buildTransport() {
    const int left = kPadSide + (kInnerWidth - (kPlayDisc + kTransportGap + kNextBox)) / 2;

    playPause_ = new SymbolButton(Symbol::play, 20, this);
    playPause_->setObjectName(QStringLiteral("playPause"));
    playPause_->setGeometry(left, kTransportTop, kPlayDisc, kPlayDisc);
    connect(playPause_, &QAbstractButton::clicked, this, [this] { model_.toggle(); });

    next_ = new SymbolButton(Symbol::forwardEnd, 15, this);
    next_->setObjectName(QStringLiteral("next"));
    next_->setGeometry(left + kPlayDisc + kTransportGap, kTransportTop + (kPlayDisc - kNextBox) / 2,
                       kNextBox, kNextBox);
    next_->setToolTip(QStringLiteral("换台"));
    next_->setAccessibleName(QStringLiteral("换台"));
    connect(next_, &QAbstractButton::clicked, this, [this] { model_.shuffleStation(); });
}

void PopoverView::buildFooter() {
    footer_ = new QWidget(this);
    auto* row = new QHBoxLayout(footer_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(kFooterSpacing);

    auto* sleepFrame = new QWidget(footer_);
    sleepFrame->setFixedWidth(kSleepFrameWidth);
    auto* sleepRow = new QHBoxLayout(sleepFrame);
    sleepRow->setContentsMargins(0, 0, 0, 0);
    sleepMenu_ =
        new SleepMenuButton([this](std::int64_t minutes) { model_.setSleep(minutes); }, sleepFrame);
    sleepMenu_->setObjectName(QStringLiteral("sleepMenu"));
    sleepRow->addWidget(sleepMenu_, 0, Qt::AlignLeft | Qt::AlignVCenter);
    sleepRow->addStretch(1);
    row->addWidget(sleepFrame);
    row->addStretch(1);

    credit_ = new TextButton(kCredit, footer_);
    credit_->setObjectName(QStringLiteral("credit"));
    credit_->setFont(sizedFont(font(), 9));
    credit_->setToolTip(QStringLiteral("关于 Quilvo"));
    connect(credit_, &QAbstractButton::clicked, this,
            [this] { notifications_.post(kQuilvoOpenAbout); });
    row->addWidget(credit_, 0, Qt::AlignVCenter);

    quit_ = new SymbolButton(Symbol::power, 9, footer_);
    quit_->setObjectName(QStringLiteral("quit"));
    quit_->setFixedSize(kQuitBox, kQuitBox);
    quit_->setHeavy(true);
    quit_->setToolTip(QStringLiteral("退出 Quilvo"));
    quit_->setAccessibleName(QStringLiteral("退出 Quilvo"));
    connect(quit_, &QAbstractButton::clicked, this, &PopoverView::quitRequested);
    row->addWidget(quit_, 0, Qt::AlignVCenter);
}

void PopoverView::chooseMood(Mood mood) {
    if (model_.currentMood() == mood) {
        model_.shuffleStation();
    } else {
        model_.playMood(mood);
    }
}

void PopoverView::refresh() {
    if (footer_ == nullptr || circles_[0] == nullptr) {
        return;
    }
    const std::optional<Mood> mood = model_.currentMood();
    const auto moods = Mood::allCases();
    for (std::size_t i = 0; i < moods.size(); ++i) {
        const bool active = mood == moods[i];
        circles_[i]->setActive(active);
        moodLabels_[i]->setText(active ? fromUtf8(moods[i].feel()) : QStringLiteral(" "));
    }

    if (!note_.isEmpty()) {
        sharedLine_->setText(note_);
        sharedLine_->setFont(sizedFont(font(), 11));
        sharedLine_->setColor(primaryColor(*this, 0.45));
    } else if (!model_.statusText().empty()) {
        sharedLine_->setText(QString::fromStdString(model_.statusText()));
        sharedLine_->setFont(sizedFont(font(), 11));
        sharedLine_->setColor(warningOrange());
    } else if (!mood) {
        sharedLine_->setText(kSlogan);
        sharedLine_->setFont(sizedFont(font(), 12));
        sharedLine_->setColor(secondaryColor(*this));
    } else {
        const auto& song = model_.songText();
        sharedLine_->setText(song ? QString::fromStdString(*song) : QStringLiteral(" "));
        sharedLine_->setFont(sizedFont(font(), 11));
        sharedLine_->setColor(primaryColor(*this, 0.45));
    }

    sharedLine_->setAccessibleName(sharedLine_->text().trimmed());
    announceChanges();

    const bool playing = model_.phase() == PlayerModel::Phase::playing;
    playPause_->setSymbol(playing ? Symbol::pause : Symbol::play);
    playPause_->setDisc(kPlayDisc, mood ? tintColor(*mood, 0.14) : primaryColor(*this, 0.07));
    playPause_->setSymbolColor(mood ? tintColor(*mood) : primaryColor(*this));
    const QString playLabel = playing ? QStringLiteral("暂停") : QStringLiteral("播放");
    playPause_->setToolTip(playLabel);
    playPause_->setAccessibleName(playLabel);

    next_->setEnabled(mood.has_value());
    next_->setSymbolColor(mood ? primaryColor(*this) : primaryColor(*this, 0.22));

    const bool sleeping = model_.sleepActive();
    const auto& remain = model_.sleepRemainText();
    sleepMenu_->setLook(sleeping, remain ? QString::fromStdString(*remain) : QStringLiteral("定时"),
                        sleeping ? warningOrange() : primaryColor(*this, 0.4));
    sleepMenu_->setFixedSize(sleepMenu_->sizeHint());
    credit_->setTextColor(primaryColor(*this, 0.35));
    quit_->setSymbolColor(primaryColor(*this, 0.35));
}

void PopoverView::setNote(QString text) {
    note_ = std::move(text);
    if (!note_.isEmpty()) {
        announcer_->announce(Announcer::Topic::status, note_);
    }
    refresh();
}

void PopoverView::announceChanges() {
    const PlayerModel::Phase phase = model_.phase();
    const std::string station = model_.currentStation() ? model_.currentStation()->name : "";
    if (phase != heardPhase_ || station != heardStation_) {
        announcer_->announce(Announcer::Topic::phase,
                             phaseSentence(phase, QString::fromStdString(station)));
    }
    if (model_.statusText() != heardStatus_) {
        announcer_->announce(Announcer::Topic::status, QString::fromStdString(model_.statusText()));
    }
    if (model_.songText() != heardSong_ && model_.songText()) {
        announcer_->announce(Announcer::Topic::song, QString::fromStdString(*model_.songText()));
    }
    heardPhase_ = phase;
    heardStation_ = station;
    heardStatus_ = model_.statusText();
    heardSong_ = model_.songText();
}

void PopoverView::makeReachable(QWidget* control) {
    control->setFocusPolicy(Qt::TabFocus);
    control->installEventFilter(this);
}

bool PopoverView::handlePlayerKey(const QKeyEvent& event) {
    if ((event.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        return false;
    }
    switch (event.key()) {
        case Qt::Key_Space:
            model_.toggle();
            return true;
        case Qt::Key_Right:
        case Qt::Key_Left:
            model_.shuffleStation();
            return true;
        default:
            return false;
    }
}

void PopoverView::keyPressEvent(QKeyEvent* event) {
    if (!handlePlayerKey(*event)) {
        QWidget::keyPressEvent(event);
    }
}

bool PopoverView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return QWidget::eventFilter(watched, event);
    }
    const auto& key = static_cast<const QKeyEvent&>(*event);
    if (handlePlayerKey(key)) {
        return true;
    }
    if (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) {
        if (watched == sleepMenu_) {
            sleepMenu_->showMenu();
        } else if (auto* button = qobject_cast<QAbstractButton*>(watched)) {
            button->click();
        }
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void PopoverView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        refresh();
    }
}

}  // namespace quilvo::ui
