#pragma once

#include <QLabel>
#include <QUrl>

namespace quilvo::ui {

// Underlined plain text that opens its URL with the desktop's default handler.
class LinkLabel : public QLabel {
    Q_OBJECT

  public:
    LinkLabel(const QString& text, QUrl url, QWidget* parent = nullptr);

    const QUrl& url() const { return url_; }
    // Opens the URL with the desktop's default handler.
    void open() const;

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QUrl url_;
};

}  // namespace quilvo::ui
