"""The quilvo tray application on a private X display and session bus, driven from outside as a
person would: clicks on an XEmbed tray."""

import contextlib, re, time
from pathlib import Path

import pytest

from conftest import BIN, run, wait_until

PANEL_WIDTH, ABOUT = 330, "关于 Quilvo"


is_panel = lambda w: w.width == PANEL_WIDTH
# What shells match a window's WM_CLASS against to find its desktop file.
DESKTOP_FILE = Path(__file__).parents[2] / "resources/app.quilvo.Quilvo.desktop"
STARTUP_WM_CLASS = re.search(r"^StartupWMClass=(.+)$", DESKTOP_FILE.read_text(), re.M)[1]


def wm_class(screen, window):
    """The class part of the window's WM_CLASS."""
    return re.findall(r'"([^"]*)"', run("xprop", "-id", window.id, "WM_CLASS", env=screen.env).stdout)[-1]


def test_the_icon_joins_a_tray_started_later_left_clicks_toggle_the_panel_and_others_the_menu(
        screen, tray_app):
    assert (app := tray_app(XDG_CURRENT_DESKTOP="XFCE")).running()
    assert not screen.windows()
    # Only GNOME needs an extension for a tray.
    assert wait_until(lambda: "等待系统托盘出现" in app.stderr()) and "GNOME" not in app.stderr(), app.stderr()
    screen.start_tray()
    icon = tray_icon(screen)
    # A click landing within moments of the move into the tray may be lost on a slow build (the
    # sanitized one): as a person would, click again if nothing opened.
    for _ in range(2):
        screen.click(icon.cx, icon.cy)
        if wait_until(lambda: any(is_panel(w) for w in screen.windows()), 3):
            break
    panel = screen.wait(is_panel, what="panel after a left click")
    # Just under the icon, reaching across it, and on the screen.
    assert icon.bottom <= panel.y <= icon.bottom + 8
    assert panel.x <= icon.cx <= panel.x + panel.width <= screen.WIDTH
    assert panel.height > 150
    assert wm_class(screen, panel) == STARTUP_WM_CLASS
    # Clicks closer together than a double click are one.
    time.sleep(0.5)
    screen.click(icon.cx, icon.cy)
    assert screen.gone(is_panel), "a second left click left it open"

    # A double click is one activation: it leaves the panel open.
    time.sleep(0.6)
    screen.click(icon.cx, icon.cy, count=2)
    time.sleep(0.5)
    assert screen.windows() and screen.wait(is_panel, what="panel after a double click")
    time.sleep(0.6)
    screen.click(icon.cx, icon.cy)
    assert screen.gone(is_panel)

    # A click elsewhere: the window manager there gives that window the focus.
    time.sleep(0.5)
    screen.click(icon.cx, icon.cy)
    screen.wait(is_panel)
    screen.xdotool("windowfocus", "--sync", next(w.id for w in screen.windows("trayer") if w.name == "panel"))
    assert screen.gone(is_panel), "a click elsewhere left it open"
    # A click on the icon just after the focus went is taken for the click that moved it.
    time.sleep(0.5)
    screen.click(icon.cx, icon.cy)
    screen.wait(is_panel)
    time.sleep(0.5)
    screen.click(icon.cx, icon.cy)
    assert screen.gone(is_panel)

    def menu():
        # Two right presses within the double-click time are a double click, which opens nothing.
        time.sleep(0.4)
        screen.click(icon.cx, icon.cy, 3)
        return screen.wait(lambda w: w.id != icon.id and not is_panel(w) and w.name != ABOUT,
                           what="menu after a right click")

    # A right click opens the menu; About is its last item but one, however often.
    for _ in range(2):
        opened = menu()
        assert opened.width < PANEL_WIDTH
        screen.xdotool("key", "Up", "Up", "Return")
        about = screen.wait(lambda w: w.name == ABOUT)
        assert about.width == 300 and about.height >= 330
        assert wm_class(screen, about) == STARTUP_WM_CLASS
        assert screen.gone(lambda w: w.id == opened.id)
        assert [w.name for w in screen.windows(visible=False)].count(ABOUT) == 1

    # The statistics wait for a full batch while running; shutting down sends what is queued.
    assert not app.uploads
    menu()
    screen.xdotool("key", "Up", "Return")
    assert app.wait(15) == 0
    assert wait_until(lambda: '"type":"app_open"' in "".join(app.uploads), 1), \
        "ended without its shutdown"


def tray_icon(screen):
    """The icon, once it sits inside the tray's panel (which grows to take it in)."""
    def inside_tray(icon):
        return any(p.name == "panel" and p.x <= icon.x and p.y <= icon.y and icon.x + icon.width <=
                   p.x + p.width and icon.bottom <= p.bottom for p in screen.windows("trayer"))
    return screen.wait(inside_tray, what="icon in the tray")


def test_the_icon_bobs_over_the_trays_own_background_while_playing_and_rests_when_paused(
        screen, bus, pulse, streams, tray_app):
    from Xlib import X, display
    screen.start_tray()
    moods = ("bright", "calm", "energy", "sleep")
    assert tray_app([(f"{m}-1", streams.url("/stream"), m) for m in moods], **pulse.env).running()
    icon = tray_icon(screen)
    with contextlib.closing(display.Display(screen.env["DISPLAY"])) as x:
        window = x.create_resource_object("window", int(icon.id))

        def looks(count=1):
            seen = []
            for _ in range(count):
                seen.append(window.get_image(0, 0, icon.width, icon.height, X.ZPixmap, 0xFFFFFFFF).data)
                time.sleep(0.1)
            return seen

        def play_then_rest(looking, play=lambda: bus.playerctl("play")):
            play()
            assert wait_until(lambda: bus.playerctl("status") == "Playing")
            frames = looks(looking)
            # A remote pause acts only once the station plays (MPRIS says Playing from the start), which
            # a slow build reaches later: ask until it is taken.
            assert wait_until(lambda: bus.playerctl("pause") == "" and bus.playerctl("status") == "Paused")
            rest = wait_until(lambda: len(set(seen := looks(3))) == 1 and seen[0])
            assert rest, "the icon did not come to rest"
            return frames, rest

        before = looks()[0]
        # The middle click plays, as in tray players.
        frames, rest = play_then_rest(4, lambda: screen.click(icon.cx, icon.cy, 2))
        assert len(set(frames)) > 2, "the icon stood still while playing"
        # Over what the tray shows around its icons, as Qt draws the resting glyph.
        assert {frame[:3] for frame in frames} == {before[:3]}
        def play_and_wheel():
            # A notch of the wheel down over the icon: one 5 % step of the stream's volume.
            bus.playerctl("play")
            assert wait_until(lambda: pulse.levels()), "no stream"
            levels = pulse.levels()
            screen.click(icon.cx, icon.cy, 5)
            assert wait_until(lambda: pulse.levels() == [level - 5 for level in levels]), pulse.levels()

        # At rest the dots sit where they always rest, whenever the pause came.
        assert play_then_rest(7, play_and_wheel)[1] == rest


# A display named but not there is no crash: the same words as no display at all.
@pytest.mark.parametrize("display", [{}, {"DISPLAY": ":94"}, {"DISPLAY": ":94", "QT_QPA_PLATFORM": "xcb"}])
def test_without_a_display_that_opens_it_says_so_in_chinese_and_exits_1(display, tmp_path):
    ended = run(BIN / "quilvo", env={"XDG_RUNTIME_DIR": tmp_path, **display})
    assert (ended.returncode, ended.stdout) == (1, "")
    assert "无法打开图形显示" in ended.stderr and "Reinstalling" not in ended.stderr, ended.stderr
