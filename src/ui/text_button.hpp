#pragma once

#include <QAbstractButton>
#include <QColor>

namespace quilvo::ui {

// A chrome-less button whose face is one line of plain text in one colour.
class TextButton : public QAbstractButton {
    Q_OBJECT

  public:
    explicit TextButton(const QString& text, QWidget* parent = nullptr);

    void setTextColor(const QColor& color);
    QColor textColor() const { return color_; }

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor color_;
};

}  // namespace quilvo::ui
