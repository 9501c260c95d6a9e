#pragma once

#include <QObject>
#include <QPoint>
#include <memory>
#include <optional>

#include "adapters/tray/status_notifier_item.hpp"

class QMenu;

namespace quilvo::ui {

class DbusMenuExport;

// The tray icon where the desktop shell draws it: our StatusNotifierItem with the glyph's
// frames and the tray menu exported beside it. What the host asks for arrives as signals.
class StatusNotifierTray : public QObject {
    Q_OBJECT

  public:
    explicit StatusNotifierTray(QMenu& menu);
    ~StatusNotifierTray() override;

    // Whether a desktop shell shows items now.
    bool hosted() const { return item_.hosted(); }
    // One frame of the glyph, in the two sizes panels use.
    void showFrame(double time, bool playing, std::optional<int> activeIndex);

  signals:
    void activated(QPoint at);
    void secondaryActivated();
    void contextMenuRequested(QPoint at);
    // The wheel over the icon, up for a positive `delta`.
    void scrolled(int delta);
    // The host opened the exported menu, under the pointer as it clicked the icon.
    void menuOpened();

  private:
    StatusNotifierItem item_;
    std::unique_ptr<DbusMenuExport> menu_;
};

}  // namespace quilvo::ui
