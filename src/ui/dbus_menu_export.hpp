#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

class QAction;
class QMenu;

typedef struct _DbusmenuServer DbusmenuServer;
typedef struct _DbusmenuMenuitem DbusmenuMenuitem;

namespace quilvo::ui {

// Serves a QMenu over com.canonical.dbusmenu (libdbusmenu's server, on GLib's shared session
// connection) for a StatusNotifierItem host to show: one exported item per action, kept in step
// with the action's text, state and visibility, and a click on it triggers the action. The
// menu's actions are fixed once this exists; only their states change.
class DbusMenuExport : public QObject {
    Q_OBJECT

  public:
    // `opened` runs each time a host opens the menu.
    DbusMenuExport(QMenu& menu, const char* path, std::function<void()> opened);
    ~DbusMenuExport() override;

  private:
    void addItems(QMenu& menu, DbusmenuMenuitem* parent);

    DbusmenuServer* server_;
    DbusmenuMenuitem* root_;
    std::function<void()> opened_;
};

}  // namespace quilvo::ui
