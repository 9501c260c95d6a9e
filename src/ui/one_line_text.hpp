#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

namespace quilvo::ui {

// One centred line of plain text, cut short with an ellipsis when it does not fit, so a long
// title never widens the panel. Never interpreted as markup.
class OneLineText : public QWidget {
    Q_OBJECT

  public:
    explicit OneLineText(QWidget* parent = nullptr);

    QString text() const { return text_; }
    void setText(const QString& text);
    QColor color() const { return color_; }
    void setColor(const QColor& color);
    // What is actually drawn at the current width.
    QString shownText() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString text_;
    QColor color_;
};

}  // namespace quilvo::ui
