#!/usr/bin/python3
"""Time to first sound, dropouts, CPU and memory of quilvo-cli beside gst-launch-1.0 playbin and
mpv, on the lab's own services (tests/e2e/conftest.py): a local Icecast fed the lab's tone with
its burst on connect on (64 KiB), off, and one second long (16 KiB), played into PulseAudio and
into PipeWire, whose sink is recorded. Figures only: nothing here asserts a time.
Usage: bench/run first_sound [--runs N] [--play-seconds S] [--usage-rounds R] [--servers pulseaudio,pipewire]"""

import argparse, random, socket, statistics, subprocess, sys, tempfile, time, urllib.parse
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests/e2e"))
from conftest import BIN, Icecast, PipeWire, Procs, Pulse, Sink, make_tone, quilvo_env, wait_until, write_catalogue  # noqa: E402

# A 10 ms block above -50 dBFS is sound: it counts quilvo's first fade-in step, and any other
# player's first sample. A dropout is 100 ms of silence within the first 6 s of sound.
THRESHOLD, DROPOUT, WINDOW = 0.003, 0.1, 6.0
BURSTS = {"burst on": True, "burst off": False, "1 s burst": 16384}
# Icecast's burst queue is full once its source has fed it for about 4 s.
BURST_FILL = 6
# Icecast hands a new listener its first audio on a cycle of about 0.1 s. A run started a fixed
# time after the last one's first sound meets that cycle at the same point every time, which
# would give each player a luck of its own: every start waits a random part of two cycles.
PHASE = 0.2


class Player:
    """One player process on `url`. quilvo-cli is told `mood calm` at start ("start"), or once it
    is up ("request"); the others play their URL from the start. .t0 is when the clock starts."""

    def __init__(self, procs, kind, url, folder, env):
        self.procs, self.quilvo = procs, kind.startswith("quilvo")
        folder.mkdir(parents=True)
        if self.quilvo:
            argv = [BIN / "quilvo-cli", "--json", "--catalogue", write_catalogue(folder, [("bench", url, "calm")])]
            env = {**quilvo_env(folder), "DO_NOT_TRACK": "1", **env}
        elif kind == "gst-launch":
            argv = ["gst-launch-1.0", "-q", "playbin", f"uri={url}", "audio-sink=pulsesink"]
        else:
            argv = ["mpv", "--no-config", "--no-video", "--no-terminal", "--ao=pulse", url]
        self.p = procs.spawn(*argv, env=env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL)
        self.t0 = time.monotonic()
        if kind == "quilvo, request":
            self.p.stdout.readline()
            time.sleep(1)  # idle, as a listener's program is before they choose
            self.t0 = time.monotonic()
        if self.quilvo:
            self.p.stdin.write(b"mood calm\n")
            self.p.stdin.flush()

    def stop(self):
        self.procs.kill(self.p)


def first_sound(sink, since):
    return wait_until(lambda: next((t for t, rms in list(sink.blocks) if t > since and rms > THRESHOLD), None), 20)


def first_byte(url):
    """Seconds from a request to the server's first byte of audio, past its headers."""
    parts = urllib.parse.urlsplit(url)
    with socket.create_connection((parts.hostname, parts.port), timeout=10) as s:
        start, got = time.monotonic(), b""
        s.sendall(f"GET {parts.path} HTTP/1.0\r\nHost: {parts.netloc}\r\nIcy-MetaData: 1\r\n\r\n".encode())
        while (end := got.find(b"\r\n\r\n")) < 0 or len(got) == end + 4:
            if not (chunk := s.recv(65536)):
                break
            got += chunk
        return time.monotonic() - start


def longest_quiet(sink, start, end):
    longest = run = 0.0
    for t, rms in list(sink.blocks):
        if start < t <= end:
            run = run + 0.01 if rms <= THRESHOLD else 0.0
            longest = max(longest, run)
    return longest


def cpu_seconds(pid):
    # Scheduler nanoseconds over every thread: finer than /proc's 10 ms ticks.
    return sum(int(Path(task, "schedstat").read_text().split()[0]) for task in Path(f"/proc/{pid}/task").iterdir()) / 1e9


def memory_mb(pid):
    fields = dict(line.split(":", 1) for line in Path(f"/proc/{pid}/smaps_rollup").read_text().splitlines()[1:])
    return tuple(int(fields[k].split()[0]) / 1024 for k in ("Rss", "Pss"))


def spread(values, digits=2):
    if not values:
        return "no sound"
    return f"{statistics.median(values):.{digits}f} [{min(values):.{digits}f}–{max(values):.{digits}f}]"


def measure_start(procs, server, sink, icecast, folder, runs):
    kinds = ("quilvo, start", "quilvo, request", "gst-launch", "mpv")
    times, drops = {k: [] for k in kinds}, {k: [] for k in kinds}
    times["server"], drops["server"] = [], []
    for i in range(runs):
        time.sleep(random.uniform(0, PHASE))
        times["server"].append(first_byte(icecast.url))
        for kind in kinds:  # in turns, so that every player sees the same moments of the machine
            time.sleep(random.uniform(0, PHASE))
            player = Player(procs, kind, icecast.url, folder / f"{kind.replace(', ', '-')}{i}", server.env)
            if heard := first_sound(sink, player.t0):
                times[kind].append(heard - player.t0)
                time.sleep(WINDOW)
                drops[kind].append(longest_quiet(sink, heard, heard + WINDOW))
            player.stop()
            time.sleep(0.3)
    return {k: (times[k], sum(d >= DROPOUT for d in drops[k]), max(drops[k], default=0)) for k in times}


def measure_usage(procs, server, sink, icecast, folder, seconds, rounds):
    """Per player, one (CPU-s per minute, RSS, PSS) for each round; the players take turns."""
    usage = {kind: [] for kind in ("quilvo, start", "gst-launch", "mpv")}
    for i in range(rounds):
        for kind, figures in usage.items():
            player = Player(procs, kind, icecast.url, folder / f"{kind.replace(', ', '-')}{i}", server.env)
            if first_sound(sink, player.t0):
                time.sleep(3)  # past the connection and the fade-in
                cpu, samples, end = cpu_seconds(player.p.pid), [], time.monotonic() + seconds
                while time.monotonic() < end:
                    samples.append(memory_mb(player.p.pid))
                    time.sleep(0.25)
                cpu = (cpu_seconds(player.p.pid) - cpu) * 60 / seconds
                figures.append((cpu, *(statistics.mean(s[i] for s in samples) for i in (0, 1))))
            player.stop()
    return usage


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--runs", type=int, default=20)
    parser.add_argument("--play-seconds", type=int, default=20, help="per round of playing")
    parser.add_argument("--usage-rounds", type=int, default=3)
    parser.add_argument("--servers", default="pulseaudio,pipewire")
    args = parser.parse_args()
    print(f"load {open('/proc/loadavg').read().split()[:3]} (1/5/15 min); runs {args.runs}; "
          f"first sound: seconds, median [min–max]; dropouts: runs with ≥{DROPOUT * 1000:.0f} ms of "
          f"silence within {WINDOW:.0f} s of the first sound (longest)")
    with tempfile.TemporaryDirectory(prefix="quilvo-bench") as scratch:
        scratch = Path(scratch)
        scratch.chmod(0o755)
        tone = make_tone(scratch / "tone.mp3")
        for server_kind in args.servers.split(","):
            procs = Procs()
            try:
                (folder := scratch / server_kind).mkdir()
                server = (PipeWire if server_kind == "pipewire" else Pulse)(procs, folder / "server")
                sink = Sink(procs, server, "sinkA")
                for name, burst in BURSTS.items():
                    first = len(procs)
                    icecast = Icecast(procs, Path(tempfile.mkdtemp(dir=scratch)), tone, burst)
                    time.sleep(BURST_FILL)
                    results = measure_start(procs, server, sink, icecast, folder / name.replace(" ", "-"), args.runs)
                    print(f"\n{server_kind}, {name}: first sound from process start (quilvo: from the request "
                          f"too; the server: its first byte of audio from the request)")
                    print(f"{'player':<22}{'first sound (s)':>24}{'dropouts':>18}")
                    for kind, (times, drops, longest) in results.items():
                        label = {"quilvo, start": "quilvo-cli (start)", "quilvo, request": "quilvo-cli (request)",
                                 "gst-launch": "gst-launch playbin", "server": "Icecast first byte"}.get(kind, kind)
                        dropouts = f"{drops}/{len(times)} ({longest:.2f} s)" if kind != "server" else ""
                        print(f"{label:<22}{spread(times):>24}{dropouts:>18}")
                    if burst is True:
                        usage = measure_usage(procs, server, sink, icecast, folder / "usage", args.play_seconds,
                                              args.usage_rounds)
                    for p in procs[first:]:  # this Icecast, its feed and its players
                        procs.kill(p)
                print(f"\n{server_kind}: playing (burst on), {args.usage_rounds} rounds of {args.play_seconds} s in "
                      f"turns, median [min–max]")
                print(f"{'player':<22}{'CPU-s per minute':>24}{'RSS MB':>20}{'PSS MB':>20}")
                for kind, rows in usage.items():
                    cells = [spread([row[i] for row in rows], digits) for i, digits in ((0, 3), (1, 1), (2, 1))]
                    print(f"{kind.replace('quilvo, start', 'quilvo-cli'):<22}{cells[0]:>24}{cells[1]:>20}{cells[2]:>20}")
            finally:
                procs.close()


if __name__ == "__main__":
    main()
