#pragma once

namespace quilvo::ui {

enum class TrayKind {
    // Our own small window embedded in the tray: a new frame is a local repaint.
    xembed,
    // An item the desktop shell draws: every new frame is a D-Bus signal and a redraw there.
    statusNotifierItem,
};

// The kind Qt gives a tray icon created now. Qt does not tell, but decides by a rule of its
// own: StatusNotifierItem when a watcher with a registered host is on the session bus at the
// process's first tray icon, for the whole process; otherwise XEmbed, which only X11 has.
// So ask just before creating the first icon.
TrayKind trayKindForNewIcon();

}  // namespace quilvo::ui
