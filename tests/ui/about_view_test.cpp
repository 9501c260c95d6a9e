#include "ui/about_view.hpp"

#include <gtest/gtest.h>

#include <QDesktopServices>
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
