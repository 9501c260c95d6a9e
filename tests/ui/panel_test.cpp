#include <QDesktopServices>
#include <QLayout>
#include <QMenu>
#include <QTest>
#include <QUrl>

#include "ui/about_view.hpp"
#include "ui/announcer.hpp"
#include "ui/link_label.hpp"
#include "ui/mood_circle.hpp"
#include "ui/one_line_text.hpp"
#include "ui/panel_placement.hpp"
#include "ui/popover_view.hpp"
#include "ui/popup_panel.hpp"
#include "ui/sleep_menu_button.hpp"
#include "ui/text_button.hpp"
#include "ui_test.hpp"

namespace quilvo::ui {

class PopoverTest : public UiTest {
  protected:
    void SetUp() override {
        UiTest::SetUp();
        view = std::make_unique<PopoverView>(*model, notifications, reduceMotion);
    }
    template <typename T = QAbstractButton>
    T& child(const std::string& name) {
        return *view->findChild<T*>(QString::fromStdString(name));
    }
    MoodCircle& circle(Mood mood) { return child<MoodCircle>("mood-" + std::string(mood.id())); }
    QMenu& sleepMenu() { return *child<SleepMenuButton>("sleepMenu").menu(); }
    void click(QAbstractButton& button) {
        settle();
        QTest::mouseClick(&button, Qt::LeftButton, {}, button.rect().center());
        settle();
    }
    void key(Qt::Key k) {
        QTest::keyClick(view.get(), k);
        settle();
    }
    void deliverTitle(const std::string& title) {
        player()->deliverMetadata(std::vector<MetadataItem>{{title, std::string(kCommonKeyTitle)}});
    }

    std::unique_ptr<PopoverView> view;
};

// The panel in each state a listener sees: mood circles and labels, the shared line (slogan,
// song, message, cut-off song), the transport's symbols and colours, the sleep label.
TEST_F(PopoverTest, EveryStateLooksAsReviewed) {
    const auto shot = [&](const char* name) {
        settle();
        expectGolden(name, view->grab().toImage());
    };
    shot("popover-fresh");
    model->playMood(Mood::calm);
    shot("popover-connecting-calm");
    playConnected(Mood::bright);
    deliverTitle("<img src=x><b>bold</b>");
    shot("popover-playing-title");
    model->setStatusText("关闭面板后音乐继续播放");
    QStringList times;
    for (QAction* action : sleepMenu().actions()) {
        times << action->text();
    }
    EXPECT_EQ(times.join(u'|'),
              QStringLiteral("关闭定时|15 分钟后停止|30 分钟后停止|60 分钟后停止"));
    sleepMenu().actions()[2]->trigger();
    shot("popover-message-sleep-set");
    model->setStatusText("");
    settle();
    EXPECT_EQ(child<OneLineText>("sharedLine").text(), QStringLiteral("<img src=x><b>bold</b>"));
    deliverTitle(std::string(150, 'W'));
    shot("popover-long-title");
    model->toggle();
    shot("popover-paused");
    sleepMenu().actions()[0]->trigger();
    EXPECT_FALSE(model->sleepActive());
}

// Choosing the current mood again, the next button, and the arrow keys each switch to another
// station of the mood; the play button and Space toggle.
TEST_F(PopoverTest, ButtonsAndKeysPlayToggleAndSwitchStation) {
    view->show();
    view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    view->setFocus();
    QStringList order;
    for (int i = 0; i < 9; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
    }
    // Tab reaches every control, and nothing else; the next button only once a mood is chosen.
    EXPECT_EQ(order, (QStringList{"mood-bright", "mood-calm", "mood-energy", "mood-sleep",
                                  "playPause", "sleepMenu", "credit", "quit", "mood-bright"}));
    key(Qt::Key_Right);
    key(Qt::Key_Left);
    EXPECT_FALSE(model->currentStation().has_value());
    key(Qt::Key_Space);  // nothing to resume: a mood at random
    EXPECT_TRUE(model->currentMood().has_value());
    playConnected(Mood::calm);
    const std::function<void()> switches[] = {
        [&] { click(circle(Mood::calm)); }, [&] { click(child("next")); },
        [&] { key(Qt::Key_Right); }, [&] { key(Qt::Key_Left); }};
    for (const auto& action : switches) {
        const std::string before = station();
        action();
        EXPECT_EQ(model->currentMood(), Mood::calm);
        EXPECT_NE(station(), before);
    }
    connect();
    click(child("playPause"));
    EXPECT_EQ(phase(), "paused");
    key(Qt::Key_Space);
    EXPECT_EQ(phase(), "connecting");
    // Return presses the focused control; Space there still toggles.
    QTest::keyClick(&circle(Mood::bright), Qt::Key_Return);
    EXPECT_EQ(model->currentMood(), Mood::bright);
    QTest::keyClick(&circle(Mood::bright), Qt::Key_Space);
    EXPECT_EQ(phase(), "paused");

    EXPECT_EQ(child("credit").toolTip(), QStringLiteral("关于 Quilvo"));
}

// A screen reader hears a station and its first song in one sentence (the second would cut the
// first off), then a pause.
TEST_F(PopoverTest, ScreenReadersHearWhatChanges) {
    auto& said = *view->findChild<Announcer*>();
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    playConnected(Mood::calm);
    deliverTitle("Song");
    settle();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !said.spoken().isEmpty(); }));
    EXPECT_EQ(said.spoken(),
              QStringLiteral("正在播放 Station %1，Song").arg(QString::fromStdString(station())));
    model->toggle();
    settle();
    EXPECT_TRUE(QTest::qWaitFor([&] { return said.spoken() == QStringLiteral("已暂停"); }));
}

// Centred under the icon, kept on screen at the edges, above an icon at the bottom, and at the
// pointer when the icon's place is unknown.
TEST(PanelPlacement, UnderTheIconAndOnScreen) {
    const std::pair<QRect, QPoint> cases[] = {{QRect(1000, 0, 22, 22), QPoint(846, 26)},
                                              {QRect(1890, 0, 22, 22), QPoint(1590, 26)},
                                              {QRect(5, 0, 22, 22), QPoint(0, 26)},
                                              {QRect(1000, 1058, 22, 22), QPoint(846, 804)},
                                              {QRect(500, 300, 1, 1), QPoint(335, 305)}};
    for (const auto& [icon, expected] : cases) {
        EXPECT_EQ(panelPosition(icon, QSize(330, 250), QRect(0, 0, 1920, 1080)), expected);
    }
}

// The focus going elsewhere closes it, and then the click on the icon that took the focus away
// must not reopen it.
TEST_F(UiTest, PanelClosesOnFocusLossWithoutReopeningOnTheSameClick) {
    auto* content = new QWidget;
    content->setFixedSize(330, 200);
    content->setFocusPolicy(Qt::StrongFocus);
    PopupPanel panel([content] { return content; });
    const QRect icon(400, 0, 22, 22);
    panel.toggleUnder(icon);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&panel));
    EXPECT_TRUE(content->hasFocus());
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_FALSE(panel.isVisible());
    panel.toggleUnder(icon);
    EXPECT_FALSE(panel.isVisible());
}

// Takes the URLs the desktop would have opened.
class UrlCatcher : public QObject {
    Q_OBJECT

  public:
    UrlCatcher() {
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("mailto"), this, "open");
    }
    ~UrlCatcher() override {
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
    }
    QList<QUrl> opened;

  public slots:
    void open(const QUrl& url) { opened.append(url); }
};

TEST_F(UiTest, AboutLooksAsReviewedAndItsLinksOpenWithTheDesktopHandler) {
    const UrlCatcher catcher;
    AboutView view("0.1.0");
    view.resize(300, 600);
    view.layout()->activate();
    expectGolden("about", view.grab().toImage());
    const QList<LinkLabel*> links = view.findChildren<LinkLabel*>();
    ASSERT_EQ(links.size(), 3);
    for (LinkLabel* link : links) {
        QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
    }
    EXPECT_EQ(catcher.opened, (QList<QUrl>{QUrl(QStringLiteral("https://quilvo.app")),
                                           QUrl(QStringLiteral("https://quilvo.app/privacy.html")),
                                           QUrl(QStringLiteral("mailto:") + links[2]->text())}));
}

}  // namespace quilvo::ui

#include "panel_test.moc"
