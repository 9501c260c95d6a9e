#include "ui/popup_panel.hpp"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "ui/panel_placement.hpp"

namespace quilvo::ui {
namespace {

// Centred under the icon, kept on screen at the edges, above an icon at the bottom, and at the
// pointer when the icon's place is unknown.
TEST(PanelPlacement, UnderTheIconAndOnScreen) {
    const QRect screen(0, 0, 1920, 1080);
    const std::pair<QRect, QPoint> cases[] = {{QRect(1000, 0, 22, 22), QPoint(846, 26)},
                                              {QRect(1890, 0, 22, 22), QPoint(1590, 26)},
                                              {QRect(5, 0, 22, 22), QPoint(0, 26)},
                                              {QRect(1000, 1058, 22, 22), QPoint(846, 804)},
                                              {QRect(500, 300, 1, 1), QPoint(335, 305)}};
    for (const auto& [icon, expected] : cases) {
        EXPECT_EQ(panelPosition(icon, QSize(330, 250), screen), expected);
    }
}

class PopupPanelTest : public ::testing::Test {
  protected:
    PopupPanelTest() {
        content->setFixedSize(330, 200);
        content->setFocusPolicy(Qt::StrongFocus);
    }
    void open() {
        panel.showUnder(QRect(400, 0, 22, 22));
        ASSERT_TRUE(QTest::qWaitForWindowActive(&panel));
    }

    QWidget* content = new QWidget;
    PopupPanel panel{content};
};

TEST_F(PopupPanelTest, OpensUnderTheIconAtContentSize) {
    open();
    EXPECT_EQ(panel.size(), QSize(330, 200));
    EXPECT_EQ(panel.pos(), QPoint(246, 26));
    EXPECT_TRUE(content->hasFocus());
}

TEST_F(PopupPanelTest, EscapeCloses) {
    open();
    QTest::keyClick(content, Qt::Key_Escape);
    EXPECT_FALSE(panel.isVisible());
}

}  // namespace
}  // namespace quilvo::ui
