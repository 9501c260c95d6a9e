// libdbusmenu's headers before Qt's: GLib's structures use names that Qt defines as keywords.
#include <libdbusmenu-glib/server.h>

#include "ui/dbus_menu_export.hpp"

#include <QActionGroup>
#include <QMenu>
#include <utility>

namespace quilvo::ui {
namespace {

// Qt marks a mnemonic with "&" and writes "&&" for "&"; dbusmenu marks it with "_" and writes
// "__" for "_".
QByteArray dbusmenuLabel(const QString& text) {
    QString label;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('_')) {
            label += QStringLiteral("__");
        } else if (c == QLatin1Char('&') && i + 1 < text.size()) {
            const QChar next = text[++i];
            label += next == QLatin1Char('&') ? QString(next) : QStringLiteral("_") + next;
        } else {
            label += c;
        }
    }
    return label.toUtf8();
}

void sync(const QAction& action, DbusmenuMenuitem* item) {
    dbusmenu_menuitem_property_set_bool(item, DBUSMENU_MENUITEM_PROP_VISIBLE, action.isVisible());
    if (action.isSeparator()) {
        return;
    }
    dbusmenu_menuitem_property_set(item, DBUSMENU_MENUITEM_PROP_LABEL,
                                   dbusmenuLabel(action.text()).constData());
    dbusmenu_menuitem_property_set_bool(item, DBUSMENU_MENUITEM_PROP_ENABLED, action.isEnabled());
    if (action.isCheckable()) {
        const bool exclusive =
            action.actionGroup() != nullptr && action.actionGroup()->isExclusive();
        dbusmenu_menuitem_property_set(
            item, DBUSMENU_MENUITEM_PROP_TOGGLE_TYPE,
            exclusive ? DBUSMENU_MENUITEM_TOGGLE_RADIO : DBUSMENU_MENUITEM_TOGGLE_CHECK);
        dbusmenu_menuitem_property_set_int(item, DBUSMENU_MENUITEM_PROP_TOGGLE_STATE,
                                           action.isChecked()
                                               ? DBUSMENU_MENUITEM_TOGGLE_STATE_CHECKED
                                               : DBUSMENU_MENUITEM_TOGGLE_STATE_UNCHECKED);
    }
}

void activated(DbusmenuMenuitem*, unsigned, void* action) {
    if (const QPointer<QAction>& target = *static_cast<QPointer<QAction>*>(action)) {
        target->trigger();
    }
}

void forget(void* action, GClosure*) {
    delete static_cast<QPointer<QAction>*>(action);
}

}  // namespace

DbusMenuExport::DbusMenuExport(QMenu& menu, const char* path, std::function<void()> opened)
    : server_(dbusmenu_server_new(path)),
      root_(dbusmenu_menuitem_new()),
      opened_(std::move(opened)) {
    addItems(menu, root_);
    g_signal_connect(
        root_, DBUSMENU_MENUITEM_SIGNAL_EVENT,
        G_CALLBACK(
            +[](DbusmenuMenuitem*, const char* name, GVariant*, unsigned, void* self) -> gboolean {
                auto& exported = *static_cast<DbusMenuExport*>(self);
                if (g_strcmp0(name, DBUSMENU_MENUITEM_EVENT_OPENED) == 0 && exported.opened_) {
                    exported.opened_();
                }
                return FALSE;
            }),
        this);
    dbusmenu_server_set_root(server_, root_);
}

DbusMenuExport::~DbusMenuExport() {
    g_signal_handlers_disconnect_by_data(root_, this);
    g_object_unref(server_);
    g_object_unref(root_);
}

void DbusMenuExport::addItems(QMenu& menu, DbusmenuMenuitem* parent) {
    for (QAction* action : menu.actions()) {
        DbusmenuMenuitem* item = dbusmenu_menuitem_new();
        if (action->isSeparator()) {
            dbusmenu_menuitem_property_set(item, DBUSMENU_MENUITEM_PROP_TYPE, "separator");
        }
        if (QMenu* submenu = action->menu()) {
            dbusmenu_menuitem_property_set(item, DBUSMENU_MENUITEM_PROP_CHILD_DISPLAY,
                                           DBUSMENU_MENUITEM_CHILD_DISPLAY_SUBMENU);
            addItems(*submenu, item);
        } else if (!action->isSeparator()) {
            g_signal_connect_data(item, DBUSMENU_MENUITEM_SIGNAL_ITEM_ACTIVATED,
                                  G_CALLBACK(&activated), new QPointer<QAction>(action), &forget,
                                  GConnectFlags(0));
        }
        sync(*action, item);
        // The parent holds the item from here on.
        dbusmenu_menuitem_child_append(parent, item);
        g_object_unref(item);
        connect(action, &QAction::changed, this, [action, item] { sync(*action, item); });
    }
}

}  // namespace quilvo::ui
