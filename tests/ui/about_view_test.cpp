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

// The column's widgets top to bottom, and their texts ("<rule>" for a divider).
QList<QWidget*> rows(const AboutView& view) {
    QList<QWidget*> widgets;
    for (int i = 0; i < view.layout()->count(); ++i) {
        widgets.append(view.layout()->itemAt(i)->widget());
    }
    return widgets;
}

TEST(AboutView, ShowsEveryRowInOrderAndWrapsTheNotes) {
    EXPECT_EQ(versionLine(""), QStringLiteral("版本 —"));
    AboutView view("0.1.0");
    view.resize(300, 600);
    view.layout()->activate();
    QStringList texts;
    for (QWidget* row : rows(view)) {
        auto* label = qobject_cast<QLabel*>(row);
        texts << (label != nullptr ? label->text() : QStringLiteral("<rule>"));
    }
    EXPECT_EQ(texts.mid(0, 8).join(u'|'),
              QStringLiteral("Quilvo|版本 0.1.0|选一种状态，音乐便开始。|不推荐，只相遇。|<rule>|"
                             "官网 · 下载与更新|隐私政策|<rule>"));
    EXPECT_EQ(texts.size(), 13);
    EXPECT_TRUE(texts[10].startsWith(QStringLiteral("音频来自公开网络电台")));
    EXPECT_TRUE(texts[11].startsWith(QStringLiteral("匿名统计只回答「哪台连不上")));
    const QList<QWidget*> column = rows(view);
    EXPECT_EQ(column[0]->font().pixelSize(), 22);
    EXPECT_EQ(column[0]->font().weight(), QFont::DemiBold);
    EXPECT_EQ(column[4]->width(), 180);
    EXPECT_TRUE(column[5]->font().underline());
    for (const int row : {10, 11}) {
        auto* note = qobject_cast<QLabel*>(column[row]);
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
