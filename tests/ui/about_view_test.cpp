#include "ui/about_view.hpp"

#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QTest>
#include <QUrl>

#include "ui/link_label.hpp"

namespace quilvo::ui {
namespace {

// Takes the URLs the desktop would have opened.
class UrlCatcher : public QObject {
    Q_OBJECT

  public:
    UrlCatcher() {
        for (const char* scheme : {"https", "mailto"}) {
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
        }
    }
    ~UrlCatcher() override {
        for (const char* scheme : {"https", "mailto"}) {
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
        }
    }
    QList<QUrl> opened;

  public slots:
    void open(const QUrl& url) { opened.append(url); }
};

// The column's widgets top to bottom.
QList<QWidget*> rows(const AboutView& view) {
    QList<QWidget*> widgets;
    for (int i = 0; i < view.layout()->count(); ++i) {
        widgets.append(view.layout()->itemAt(i)->widget());
    }
    return widgets;
}

QString textOf(QWidget* widget) {
    auto* label = qobject_cast<QLabel*>(widget);
    return label != nullptr ? label->text() : QStringLiteral("<rule>");
}

TEST(AboutView, VersionLine) {
    EXPECT_EQ(versionLine("1.2.0"), QStringLiteral("版本 1.2.0"));
    EXPECT_EQ(versionLine(""), QStringLiteral("版本 —"));
}

TEST(AboutView, ShowsEveryRowInOrder) {
    const AboutView view("0.1.0");
    const QList<QWidget*> column = rows(view);
    ASSERT_EQ(column.size(), 13);
    const QStringList fixed{
        QStringLiteral("Quilvo"),
        QStringLiteral("版本 0.1.0"),
        QStringLiteral("选一种状态，音乐便开始。"),
        QStringLiteral("不推荐，只相遇。"),
        QStringLiteral("<rule>"),
        QStringLiteral("官网 · 下载与更新"),
        QStringLiteral("隐私政策"),
        QStringLiteral("<rule>"),
    };
    for (int i = 0; i < fixed.size(); ++i) {
        EXPECT_EQ(textOf(column[i]), fixed[i]) << "row " << i + 1;
    }
    EXPECT_TRUE(textOf(column[10]).startsWith(QStringLiteral("音频来自公开网络电台")));
    EXPECT_TRUE(textOf(column[11]).startsWith(QStringLiteral("匿名统计只回答「哪台连不上")));
    EXPECT_EQ(column[0]->font().pixelSize(), 22);
    EXPECT_EQ(column[0]->font().weight(), QFont::DemiBold);
    EXPECT_EQ(column[4]->width(), 180);
    EXPECT_TRUE(column[5]->font().underline());
}

TEST(AboutView, NotesWrapAtTwoHundredFiftyWithoutTruncation) {
    AboutView view("0.1.0");
    view.resize(300, 600);
    view.layout()->activate();
    for (const int row : {10, 11}) {
        auto* note = qobject_cast<QLabel*>(rows(view)[row]);
        ASSERT_NE(note, nullptr);
        EXPECT_TRUE(note->wordWrap());
        EXPECT_EQ(note->width(), 250);
        EXPECT_EQ(note->font().pixelSize(), 9);
        EXPECT_GE(note->height(), note->heightForWidth(250));
        EXPECT_GT(note->height(), 2 * note->fontMetrics().height());
    }
}

TEST(AboutView, LinksOpenWithTheDesktopHandler) {
    const UrlCatcher catcher;
    AboutView view("0.1.0");
    const QList<LinkLabel*> links = view.findChildren<LinkLabel*>();
    ASSERT_EQ(links.size(), 3);
    for (LinkLabel* link : links) {
        QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
    }
    ASSERT_EQ(catcher.opened.size(), 3);
    EXPECT_EQ(catcher.opened[0], QUrl(QStringLiteral("https://quilvo.app")));
    EXPECT_EQ(catcher.opened[1], QUrl(QStringLiteral("https://quilvo.app/privacy.html")));
    EXPECT_EQ(catcher.opened[2].scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(catcher.opened[2].path(), links[2]->text());
}

}  // namespace
}  // namespace quilvo::ui

#include "about_view_test.moc"
