"""The tray application on the desktops people run: a StatusNotifierItem that a host clicks and
whose menu it reads and clicks over com.canonical.dbusmenu, its icon's cost on the bus, its panel
on Wayland and under a screen reader."""

import json, re, subprocess, time

import dbus

from conftest import ENCODED, encoded_titles, lines, run, wait_until

MENU = "com.canonical.dbusmenu"
MOODS = ["悦 · 轻松愉悦", "静 · 安定专注", "燃 · 节奏能量", "眠 · 舒缓入睡"]


def menu_path(bus, item):
    return bus.call(*item, "org.freedesktop.DBus.Properties", "Get", "org.kde.StatusNotifierItem", "Menu")


def layout(bus, item):
    # The menu's visible items: label -> (id, enabled, toggle state or None, sub-items). Labels as
    # a GTK host shows them: "_x" marks x as the mnemonic, "__" is "_".
    def read(node):
        return {re.sub("_(.)", r"\1", str(props["label"])): (int(id), bool(props.get("enabled", True)),
                                                             props.get("toggle-state"), read(child))
                for child in node[2] for id, props, _ in [child]
                if props.get("visible", True) and props.get("type") != "separator"}
    return read(bus.call(item[0], menu_path(bus, item), MENU, "GetLayout", 0, -1, dbus.Array([], "s"))[1])


def click(bus, item, *labels):
    # Clicks the item reached through `labels` (a submenu's title, then its item).
    items = layout(bus, item)
    for label in labels[:-1]:
        items = items[label][3]
    bus.call(item[0], menu_path(bus, item), MENU, "Event", items[labels[-1]][0], "clicked",
             dbus.Int32(0, variant_level=1), dbus.UInt32(0))


def new_icons(procs, bus):
    # The NewIcon signals on the bus so far: the bus's time of each.
    seen = lines(procs.spawn("dbus-monitor", "--address", bus.address,
                             "type='signal',interface='org.kde.StatusNotifierItem',member='NewIcon'",
                             stdout=subprocess.PIPE))
    return lambda: [float(re.search(r"time=([0-9.]+)", line)[1]) for line in list(seen) if "member=NewIcon" in line]


def test_menu_is_a_control_surface_and_the_icon_is_light(procs, screen, bus, sni_host, pulse, streams,
                                                          tray_app):
    app = tray_app([(f"{mood}-1", streams.url("/stream?title=Tom_%26_Jerry"), mood)
                    for mood in ("bright", "calm", "energy", "sleep")], **pulse.env)
    item = sni_host.item()
    assert app.running()
    assert not screen.windows(), "an icon window besides the item"
    # The item has no place on this screen: the panel and the menu open where the user clicked.
    x, y = 600, 300
    screen.xdotool("mousemove", x, y)
    sni_host.click(item, "Activate", x, y)
    panel = screen.wait(lambda w: w.width == 330, what="panel after Activate")
    assert abs(panel.cx - x) <= 1 and y <= panel.y <= y + 8
    sni_host.click(item, "Activate", x, y)
    assert screen.gone(lambda w: w.width == 330), "a second Activate left it open"
    sni_host.click(item, "ContextMenu", x, y)
    menu = screen.wait(lambda w: w.width != 330, what="menu after ContextMenu")
    assert abs(menu.x - x) <= 1 and abs(menu.y - y) <= 1
    screen.xdotool("key", "Escape")

    fresh = layout(bus, item)
    assert list(fresh) == MOODS + ["播放", "换台", "定时", "打开面板", "关于 Quilvo", "退出 Quilvo"]
    assert [fresh[m][2] for m in MOODS] == [0, 0, 0, 0] and not fresh["换台"][1]
    assert list(fresh["定时"][3]) == ["关闭定时", "15 分钟后停止", "30 分钟后停止", "60 分钟后停止"]

    click(bus, item, MOODS[1])
    playing = wait_until(lambda: (m := layout(bus, item)) and "calm-1 · Tom_&_Jerry" in m and m)
    assert playing, layout(bus, item)
    assert [playing[m][2] for m in MOODS] == [0, 1, 0, 0] and playing["换台"][1] and "暂停" in playing

    icons = new_icons(procs, bus)
    assert wait_until(lambda: (i := icons()) and i[-1] > i[0] + 10, 20), "the icon does not move"
    # The ten seconds after one frame.
    seen = icons()
    assert 10 <= sum(seen[0] < t <= seen[0] + 10 for t in seen) <= 50, seen

    click(bus, item, "暂停")
    assert wait_until(lambda: "播放" in layout(bus, item)), "the toggle item still reads 暂停"
    time.sleep(1)  # the resting frame
    before = len(icons())
    time.sleep(5)
    assert len(icons()) == before, "the icon moved while paused"

    click(bus, item, "定时", "30 分钟后停止")
    armed = wait_until(lambda: (m := layout(bus, item)) and "还剩 30 分钟" in m and m)
    assert armed and armed["还剩 30 分钟"][3]["30 分钟后停止"][2] == 1

    click(bus, item, "打开面板")
    screen.wait(lambda w: w.width == 330, what="panel after 打开面板")

    assert not app.uploads
    click(bus, item, "退出 Quilvo")
    assert app.wait(15) == 0
    assert wait_until(lambda: '"type":"mood_selected"' in "".join(app.uploads), 1), "quit without its flush"


def test_wayland_panel_is_placed_by_the_compositor_and_closes_on_escape_activation_and_focus_loss(
        procs, screen, sni_host, tray_app, tmp_path):
    # Weston on the test's X display. Its X11 backend gives it a seat, so keys typed with xdotool
    # reach the focused Wayland window; the headless backend has no seat, so nothing there ever
    # has the keyboard focus.
    (folder := tmp_path / "weston").mkdir(mode=0o700)
    wayland = {"XDG_RUNTIME_DIR": folder, "WAYLAND_DISPLAY": str(folder / "wayland-0")}
    procs.spawn("weston", "--debug", "--use-pixman", "--backend=x11-backend.so", "--socket=wayland-0",
                "--width=1024", "--height=700", env={**screen.env, **wayland},
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    screen.xdotool("windowfocus", "--sync", screen.wait(lambda w: True, wm_class="weston", what="weston").id)

    def toplevels():  # the titles of the windows it shows, read from its scene graph
        graph = run("weston-debug", "scene-graph", env=wayland).stdout
        return re.findall(r"role xdg_toplevel, .* top-level window '([^']*)'", graph)

    # Shared memory only: weston draws with pixman, and Mesa's EGL, unloaded at exit, leaks.
    tray_app(QT_QPA_PLATFORM="wayland", QT_WAYLAND_CLIENT_BUFFER_INTEGRATION="none",
             WAYLAND_DISPLAY=wayland["WAYLAND_DISPLAY"])
    item = sni_host.item()

    activate = lambda: sni_host.click(item, "Activate", 0, 0)
    for close in (lambda: screen.xdotool("key", "Escape"), activate,
                  lambda: procs.spawn("weston-simple-shm", env=wayland)):
        activate()
        assert wait_until(lambda: "Quilvo" in toplevels()), "no panel after Activate"
        close()
        assert wait_until(lambda: "Quilvo" not in toplevels()), "the panel stayed"


# Run with event names: prints "type source" lines as they come; without: the quilvo tree as JSON.
ATSPI = """import json, pyatspi, sys
def walk(node):
    yield {"role": node.getRoleName(), "name": node.name, "description": node.description,
           "states": [pyatspi.stateToString(s) for s in node.getState().getStates()]}
    for child in node:
        yield from walk(child)
if sys.argv[1:]:
    pyatspi.Registry.registerEventListener(lambda e: print(e.type, e.source.name, flush=True), *sys.argv[1:])
    print("ready", flush=True)
    pyatspi.Registry.start()
print(json.dumps([n for app in pyatspi.Registry.getDesktop(0) if app is not None and app.name == "quilvo"
                  for n in walk(app)]))"""


def test_screen_reader_reads_the_panel_and_hears_changes(procs, screen, bus, sni_host, pulse, streams, tray_app):
    # The accessibility bus on the test's session bus, as a screen reader finds it.
    procs.spawn("/usr/libexec/at-spi-bus-launcher", "--launch-immediately", env=bus.env)
    assert wait_until(lambda: bus.has_owner("org.a11y.Bus")), "no accessibility bus"
    tray_app([("calm-1", streams.url("/stream"), "calm"), ("energy-1", streams.url(encoded_titles(2)), "energy")],
             **pulse.env, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    sni_host.click(sni_host.item(), "Activate", 600, 300)
    screen.wait(lambda w: w.width == 330, what="panel")

    def controls():
        read = run("/usr/bin/python3", "-c", ATSPI, env=bus.env, timeout=60)
        assert read.returncode == 0, read.stderr
        return {(n["name"], n["description"]): n for n in json.loads(read.stdout)
                if n["role"] in ("push button", "check box")}
    found = controls()
    assert {tuple(mood.split(" · ")) for mood in MOODS} <= found.keys(), found.keys()
    # A tooltip doubles as the description.
    assert {("播放", "播放"), ("换台", "换台"), ("定时", ""), ("退出 Quilvo", "退出 Quilvo")} <= found.keys()

    heard = lines(procs.spawn("/usr/bin/python3", "-c", ATSPI, "object:property-change:accessible-name",
                              "object:state-changed:checked", env=bus.env, stdout=subprocess.PIPE))
    assert wait_until(lambda: "ready" in heard), "no event listener"
    screen.xdotool("key", "Tab", "Tab", "Return")
    assert wait_until(lambda: ("暂停", "暂停") in controls()), "the play button never read 暂停"
    assert "checked" in controls()[("静", "安定专注")]["states"]
    # Both changes are announced: the mood's check and the play button's new name.
    assert wait_until(lambda: {"object:state-changed:checked 静", "object:property-change:accessible-name 暂停"}
                      <= set(heard)), heard
    # The panel's line reads each title as it comes, whatever its encoding in the stream. The next
    # mood's choice clears the close hint, which the line shows instead of songs while it stands.
    assert wait_until(lambda: "object:property-change:accessible-name 关闭面板后音乐继续播放" in heard), heard
    screen.xdotool("key", "Tab", "Return")
    assert wait_until(lambda: {f"object:property-change:accessible-name {t}" for t, _ in ENCODED} <= set(heard),
                      20), heard
