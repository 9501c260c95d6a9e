"""The tray application on the desktops people run: a StatusNotifierItem that a host clicks and
whose menu it reads and clicks over com.canonical.dbusmenu, its icon's cost on the bus, its panel
on Wayland and under a screen reader."""

import contextlib, json, os, re, struct, subprocess, threading, time, zlib
from pathlib import Path

import dbus

from conftest import ENCODED, SLOWDOWN, StatusNotifierHost, encoded_titles, lines, run, wait_until

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
    # A watcher that comes back (the desktop shell restarted) is told of the item again.
    sni_host.restart()
    assert sni_host.item() == item
    # The item has no place on this screen: the panel and the menu open where the user clicked.
    x, y = 600, 300
    screen.xdotool("mousemove", x, y)
    sni_host.click(item, "Activate", x, y)
    panel = screen.wait(lambda w: w.width == 330, what="panel after Activate")
    assert abs(panel.cx - x) <= 1 and y <= panel.y <= y + 8
    # Two within the double-click time are one, as Xfce's panel sends them for a double click.
    sni_host.click(item, "Activate", x, y)
    time.sleep(0.5)
    assert screen.windows() and screen.wait(lambda w: w.width == 330, what="panel after a double Activate")
    sni_host.click(item, "Activate", x, y)
    assert screen.gone(lambda w: w.width == 330), "a later Activate left it open"
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
    # A notch of the wheel is one 5 % step of the stream's volume, which MPRIS reports as well.
    assert wait_until(lambda: pulse.levels()), "no stream"
    level = pulse.levels()[0]
    bus.call(*item, "org.kde.StatusNotifierItem", "Scroll", dbus.Int32(-120), "vertical")
    assert wait_until(lambda: pulse.levels() == [level - 5]), pulse.levels()
    assert round(100 * float(bus.playerctl("volume"))) == level - 5

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

    # Activations closer together than a double click are one.
    activate = lambda: (time.sleep(0.5), sni_host.click(item, "Activate", 0, 0))
    for close in (lambda: screen.xdotool("key", "Escape"), activate,
                  lambda: procs.spawn("weston-simple-shm", env=wayland)):
        activate()
        assert wait_until(lambda: "Quilvo" in toplevels()), "no panel after Activate"
        close()
        assert wait_until(lambda: "Quilvo" not in toplevels()), "the panel stayed"


# The quilvo tree as JSON: each node's role, name, description and states.
ATSPI = """import json, pyatspi
def walk(node):
    yield {"role": node.getRoleName(), "name": node.name, "description": node.description,
           "states": [pyatspi.stateToString(s) for s in node.getState().getStates()]}
    for child in node:
        yield from walk(child)
print(json.dumps([n for app in pyatspi.Registry.getDesktop(0) if app is not None and app.name == "quilvo"
                  for n in walk(app)]))"""


def test_screen_reader_reads_the_panel_and_hears_changes(procs, screen, bus, sni_host, pulse, streams, tray_app,
                                                          screen_reader):
    tray_app([("bright-1", streams.url("/stream?title=Tom_%26_Jerry"), "bright"),
              ("calm-1", streams.url(encoded_titles(2)), "calm")], **pulse.env, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    item = sni_host.item()
    is_panel = lambda w: w.width == 330
    sni_host.click(item, "Activate", 600, 300)
    screen.wait(is_panel, what="panel")

    def tree():
        read = run("/usr/bin/python3", "-c", ATSPI, env=bus.env, timeout=60)
        assert read.returncode == 0, read.stderr
        return json.loads(read.stdout)

    def hears(*texts):  # each in the speech since the last call, in this order
        nonlocal heard
        found = wait_until(lambda: re.search(".*".join(map(re.escape, texts)), "\n".join(screen_reader.said()[heard:]),
                                             re.S))
        assert found, screen_reader.said()[heard:]
        heard = len(screen_reader.said())

    heard = 0
    hears("关闭面板后音乐继续播放")  # the first-run hint, as it appears
    nodes = tree()
    radios = [(n["name"], n["description"], "checked" in n["states"]) for n in nodes if n["role"] == "radio button"]
    assert radios == [(*mood.split(" · "), False) for mood in MOODS], radios
    assert not [n for n in nodes if "focusable" in n["states"] and not n["name"].strip()], "a silent Tab stop"

    screen.xdotool("key", "Tab")
    hears("悦", "未选中 单选钮", "轻松愉悦")
    screen.xdotool("key", "Tab", "Return")
    # Each title as the panel shows it, whatever its encoding in the stream.
    hears("静", "单选钮", "正在播放 calm-1", *(title for title, _ in ENCODED))
    screen.xdotool("key", "space")
    hears("已暂停")
    screen.xdotool("key", *["Tab"] * 5)
    hears("定时", "按钮", "菜单：选择多久后停止播放")

    screen.xdotool("key", "Tab", "Return")
    screen.wait(lambda w: w.name == "关于 Quilvo", what="About")
    hears("关于 Quilvo", "官网 · 下载与更新", "链接")  # the first link has the focus
    assert [n["name"] for n in tree() if n["role"] == "link"] == ["官网 · 下载与更新", "隐私政策", "hello@quilvo.app"]
    screen.xdotool("key", "Escape")
    assert screen.gone(lambda w: w.name == "关于 Quilvo"), "Escape left About open"

    # No window manager here: a click on the bare screen moves no focus; it still closes the
    # panel, which is still read when it opens again. Each click comes on its own, apart from the
    # one before by more than a double click's interval.
    time.sleep(0.5)
    sni_host.click(item, "Activate", 600, 300)
    screen.wait(is_panel, what="panel reopened")
    time.sleep(0.5)
    screen.click(5, 795)
    assert screen.gone(is_panel), "a click on the screen left the panel open"
    time.sleep(0.5)
    sni_host.click(item, "Activate", 600, 300)
    screen.wait(is_panel, what="panel reopened")
    assert wait_until(lambda: sum(n["role"] == "radio button" for n in tree()) == 4), "the panel left the tree"


def screen_rows(screen, top, height):
    """The screen's pixels from row `top`, `height` rows: bytes B, G, R, x per pixel."""
    from Xlib import X, display
    with contextlib.closing(display.Display(screen.env["DISPLAY"])) as x:
        return x.screen().root.get_image(0, top, screen.WIDTH, height, X.ZPixmap, 0xFFFFFFFF).data


def save_png(path, raw, width):
    rows = [raw[i:i + width * 4] for i in range(0, len(raw), width * 4)]
    body = b"".join(b"\0" + bytes(v for p in range(width) for v in row[p * 4:p * 4 + 3][::-1]) for row in rows)
    chunk = lambda kind, data: (struct.pack(">I", len(data)) + kind + data +
                                struct.pack(">I", zlib.crc32(kind + data)))
    path.write_bytes(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, len(rows), 8, 2, 0, 0, 0)) +
                     chunk(b"IDAT", zlib.compress(body, 9)) + chunk(b"IEND", b""))


def glyph_in_top_bar(screen, left=0):
    # Right of `left`, the only coloured pixels in the top bar are the glyph's dots: the shell's
    # own icons there are grey.
    raw = screen_rows(screen, 0, 26)
    dots = [(i // 4 % screen.WIDTH, i // 4 // screen.WIDTH) for i in range(0, len(raw), 4)
            if i // 4 % screen.WIDTH > left and max(raw[i:i + 3]) - min(raw[i:i + 3]) > 60]
    return dots and (sum(x for x, _ in dots) // len(dots), sum(y for _, y in dots) // len(dots))


def bus_bytes(procs, bus, name):
    # Every message to or from `name` on the bus: pcap records of dbus-monitor, read as they come.
    owner = bus.call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "GetNameOwner", name)
    monitor = procs.spawn("dbus-monitor", "--address", bus.address, "--pcap", f"sender='{owner}'",
                          f"destination='{owner}'", stdout=subprocess.PIPE)
    sizes = []

    def read():
        monitor.stdout.read(24)
        while len(header := monitor.stdout.read(16)) == 16:
            sizes.append(struct.unpack("<IIII", header)[2])
            monitor.stdout.read(sizes[-1])
    threading.Thread(target=read, daemon=True).start()
    time.sleep(1)
    return sizes


def test_gnome_shell_shows_the_item_and_its_menu_and_logs_nothing_about_it(
        procs, screen, bus, desktop_shell, pulse, streams, tray_app, tmp_path):
    gnome = desktop_shell("gnome")
    log_start = len(gnome.log())
    app = tray_app([(f"{m}-1", streams.url("/stream"), m) for m in ("bright", "calm", "energy", "sleep")],
                   **pulse.env, **gnome.env)
    item = StatusNotifierHost(procs, bus, watcher=False).item()
    assert app.running()
    assert (icon := wait_until(lambda: glyph_in_top_bar(screen))), "no glyph in the top bar"
    sizes = bus_bytes(procs, bus, item[0])
    icons = new_icons(procs, bus)
    click(bus, item, MOODS[1])
    assert wait_until(lambda: bus.playerctl("status") == "Playing")
    time.sleep(20)
    # All it said since the item came: its check of a new item a second later, then 20 s of
    # animation.
    ours = [line for line in gnome.log()[log_start:].splitlines()
            if re.search(r"quilvo|StatusNotifier|UnknownProperty|" + re.escape(item[0]), line, re.I)]
    assert not ours, "\n".join(ours)
    frames = len(icons())
    assert frames >= 20, frames
    print(f"bytes on the bus per icon frame: {sum(sizes) / frames:.0f} ({frames} frames, {len(sizes)} messages)")

    # The middle click toggles and opens nothing of ours; a left click opens the shell's menu.
    screen.click(*icon, button=2)
    assert wait_until(lambda: bus.playerctl("status") == "Paused"), "the middle click did not pause"
    assert not screen.windows(), "a window of ours after the middle click"
    before = screen_rows(screen, 30, 400)
    screen.click(*icon)
    assert wait_until(lambda: screen_rows(screen, 30, 400) != before), "no menu under the icon"
    time.sleep(1)
    if shots := os.environ.get("QUILVO_SCREENSHOTS"):
        save_png(Path(shots) / "gnome-top-bar-menu.png", screen_rows(screen, 0, 600), screen.WIDTH)
    # Its 打开面板 puts the panel under the icon, wherever the pointer went.
    screen.xdotool("key", "Escape", "mousemove", 300, 500)
    click(bus, item, "打开面板")
    panel = screen.wait(lambda w: w.width == 330, what="panel after 打开面板")
    assert abs(panel.cx - max(icon[0], 165)) <= 200 and panel.y < 60, panel


def test_xfce_panel_double_click_leaves_the_panel_open_and_a_click_toggles_it(
        procs, screen, bus, desktop_shell, tray_app):
    xfce = desktop_shell("xfce")
    app = tray_app(**xfce.env)
    StatusNotifierHost(procs, bus, watcher=False).item()
    assert app.running()
    # Its menu button at the left is blue.
    assert (icon := wait_until(lambda: glyph_in_top_bar(screen, left=200))), "no glyph in the panel"
    is_panel = lambda w: w.width == 330
    # Its double click is two Activate calls 0.12 s apart.
    screen.click(*icon, count=2)
    panel = screen.wait(is_panel, what="panel after a double click")
    assert abs(panel.cx - icon[0]) <= 200 and panel.y < 60, panel
    time.sleep(1)
    assert screen.windows() and screen.wait(is_panel, what="panel a second after a double click")
    for opened in (False, True, False):
        time.sleep(1)  # well apart from the last activation, on a loaded machine too
        screen.click(*icon)
        assert screen.wait(is_panel) if opened else screen.gone(is_panel), f"a click left it {not opened}"
        time.sleep(0.6)
