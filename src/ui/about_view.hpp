#pragma once

#include <QString>
#include <QWidget>
#include <string_view>

namespace quilvo::ui {

inline constexpr std::string_view kSiteHome = "https://quilvo.app";
inline constexpr std::string_view kSitePrivacy = "https://quilvo.app/privacy.html";

// "版本 " and the version, or an em dash when the build has none.
QString versionLine(std::string_view version);

// The About window's content: name, version, the idea, links and notes in one centred column.
class AboutView : public QWidget {
    Q_OBJECT

  public:
    explicit AboutView(std::string_view version, QWidget* parent = nullptr);

  protected:
    // Escape closes the window, as it does a dialog.
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace quilvo::ui
