#include "ui/popup_panel.hpp"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "ui/panel_placement.hpp"

namespace quilvo::ui {
namespace {

const QRect kScreen(0, 0, 1920, 1080);
const QSize kPanel(330, 250);

TEST(PanelPlacement, CentredUnderTheIcon) {
    EXPECT_EQ(panelPosition(QRect(1000, 0, 22, 22), kPanel, kScreen), QPoint(846, 26));
}

TEST(PanelPlacement, KeptOnScreenAtTheEdges) {
    EXPECT_EQ(panelPosition(QRect(1890, 0, 22, 22), kPanel, kScreen).x(), 1920 - 330);
    EXPECT_EQ(panelPosition(QRect(5, 0, 22, 22), kPanel, kScreen).x(), 0);
}

TEST(PanelPlacement, AboveAnIconAtTheBottom) {
    EXPECT_EQ(panelPosition(QRect(1000, 1058, 22, 22), kPanel, kScreen), QPoint(846, 804));
}

TEST(PanelPlacement, AtThePointerWhenTheIconIsUnknown) {
    EXPECT_EQ(panelPosition(QRect(500, 300, 1, 1), kPanel, kScreen), QPoint(335, 305));
}

class PopupPanelTest : public ::testing::Test {
  protected:
    PopupPanelTest() {
        content->setFixedSize(330, 200);
        content->setFocusPolicy(Qt::StrongFocus);
    }
    void open() {
        panel.showUnder(QRect(400, 0, 22, 22));
        ASSERT_TRUE(panel.isVisible());
    }

    QWidget* content = new QWidget;
    PopupPanel panel{content};
};

TEST_F(PopupPanelTest, OpensUnderTheIconAtContentSize) {
    open();
    EXPECT_EQ(panel.size(), QSize(330, 200));
    EXPECT_EQ(panel.pos(), QPoint(246, 26));
    EXPECT_EQ(QApplication::activePopupWidget(), &panel);
    EXPECT_TRUE(content->hasFocus());
}

TEST_F(PopupPanelTest, PressElsewhereCloses) {
    open();
    QTest::mousePress(&panel, Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_TRUE(panel.isVisible());
    QTest::mousePress(&panel, Qt::LeftButton, {}, QPoint(-40, 300));
    EXPECT_FALSE(panel.isVisible());
}

TEST_F(PopupPanelTest, EscapeCloses) {
    open();
    QTest::keyClick(content, Qt::Key_Escape);
    EXPECT_FALSE(panel.isVisible());
}

}  // namespace
}  // namespace quilvo::ui
