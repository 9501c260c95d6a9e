#!/usr/bin/python3
"""The tray application's cost beside goodvibes, on the lab's private desktop (Xvfb with trayer, a
session bus and PulseAudio) and the same loopback stream: time from start to the tray icon
(median of RUNS starts), then CPU (% of one core) over PLAY seconds of playing and RSS at their
end, before and after the panel (goodvibes: its window) has been opened once; the two players
take turns, round after round, so that both see the same moments of the machine.
Usage: bench/run tray [--runs N] [--play-seconds S] [--rounds R]"""

import argparse, statistics, subprocess, sys, tempfile, time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests/e2e"))
sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests/tools"))
import fault_stream_server  # noqa: E402
from conftest import BIN, Bus, Procs, Pulse, Screen, make_tone, quilvo_env, wait_until, write_catalogue  # noqa: E402
from first_sound import cpu_seconds, memory_mb, spread  # noqa: E402


class Tray:
    """quilvo or goodvibes on the desktop: start(), play(), open() its panel or window, stop()."""

    def __init__(self, procs, name, folder, url, env):
        self.procs, self.name, self.url, self.p = procs, name, url, None
        (folder / "runtime").mkdir(mode=0o700, parents=True)
        self.env = {**env, "XDG_CONFIG_HOME": folder / "config", "XDG_DATA_HOME": folder / "data",
                    "XDG_RUNTIME_DIR": folder / "runtime", "GSETTINGS_BACKEND": "memory",
                    "NO_AT_BRIDGE": "1", "LANG": "zh_CN.UTF-8", "QT_QPA_PLATFORM": "xcb"}
        if name == "quilvo":
            self.argv = [BIN / "quilvo", "--catalogue", write_catalogue(folder, [
                (f"local-{m}", url, m) for m in ("bright", "calm", "energy", "sleep")])]
            self.env = {**quilvo_env(folder), **self.env, "DO_NOT_TRACK": "1", **env}
        else:
            self.argv = ["goodvibes", "--status-icon", url]

    def start(self):
        self.p = self.procs.spawn(*self.argv, env=self.env, stderr=subprocess.DEVNULL)

    def play(self, bus):
        if self.name == "quilvo":  # goodvibes plays the station it is given at once
            assert wait_until(lambda: (bus.playerctl("status"), bus.code)[1] == 0, 15), "quilvo not on the bus"
            bus.playerctl("play")

    def open(self, screen):
        # A second launch opens the first one's panel (goodvibes: its window), Escape closes it.
        self.procs.spawn(*self.argv[:1], env=self.env, stderr=subprocess.DEVNULL).wait(15)
        time.sleep(1)
        screen.xdotool("key", "Escape")

    def stop(self):
        self.procs.kill(self.p)


def has_icon(screen, name):
    return any(w.width <= 32 and w.height <= 32 for w in screen.windows(name))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--play-seconds", type=int, default=30)
    parser.add_argument("--rounds", type=int, default=3)
    args = parser.parse_args()
    procs = Procs()
    with tempfile.TemporaryDirectory(prefix="quilvo-tray-bench") as scratch:
        scratch = Path(scratch)
        try:
            screen, bus, pulse = Screen(procs), Bus(procs, scratch / "bus"), Pulse(procs, scratch / "pulse")
            screen.start_tray()
            stream = fault_stream_server.start(make_tone(scratch / "tone.mp3"))
            env = {**screen.env, **bus.env, **pulse.env}
            trays = [Tray(procs, name, scratch / name, stream.url("/stream?burst=4"), env)
                     for name in ("quilvo", "goodvibes")]
            to_icon, figures = {}, {t.name: {"before": [], "after": []} for t in trays}
            for tray in trays:
                times = []
                for _ in range(args.runs):
                    start = time.monotonic()
                    tray.start()
                    assert wait_until(lambda: has_icon(screen, tray.name), 15), f"no {tray.name} icon"
                    times.append((time.monotonic() - start) * 1000)
                    tray.stop()
                to_icon[tray.name] = statistics.median(times)
            for _ in range(args.rounds):
                for tray in trays:
                    tray.start()
                    assert wait_until(lambda: has_icon(screen, tray.name), 15), f"no {tray.name} icon"
                    tray.play(bus)
                    for when in ("before", "after"):
                        if when == "after":
                            tray.open(screen)
                        time.sleep(3)  # past the connection, the fade-in and the panel's closing
                        cpu = cpu_seconds(tray.p.pid)
                        time.sleep(args.play_seconds)
                        cpu = 100 * (cpu_seconds(tray.p.pid) - cpu) / args.play_seconds
                        figures[tray.name][when].append((cpu, memory_mb(tray.p.pid)[0]))
                    tray.stop()
            print(f"tray: start to icon (median of {args.runs} starts); CPU (% of one core) over "
                  f"{args.play_seconds} s of playing and RSS at its end, median [min–max] of {args.rounds} "
                  f"rounds, before and after the panel (goodvibes: its window) was opened")
            print(f"{'player':<11}{'to icon (ms)':>13}{'CPU % before':>22}{'CPU % after':>22}"
                  f"{'RSS MB before':>22}{'RSS MB after':>22}")
            for name, f in figures.items():
                cells = [spread([c for c, _ in f[w]]) for w in ("before", "after")]
                cells += [spread([m for _, m in f[w]], 1) for w in ("before", "after")]
                print(f"{name:<11}{to_icon[name]:>13.0f}" + "".join(f"{c:>22}" for c in cells))
            stream.shutdown()
        finally:
            procs.close()


if __name__ == "__main__":
    main()
