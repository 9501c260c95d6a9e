#!/usr/bin/python3
"""Prints how soon quilvo-cli's fades are heard at the sink, on PulseAudio and on PipeWire: from
the pause command to the first quieter 10 ms at the sink's monitor and to silence; from the first
sound of a station to 90 % of its level, and the level of its first 50 ms against that at 0.3 s
(a ramp from silence keeps it well below 1). Median of ROUNDS starts and pauses.
Usage: bench/fade_latency.py [ROUNDS]   (QUILVO_BIN picks the build, as for the lab)"""

import statistics, sys, tempfile, time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).parents[1] / "tests/e2e"))
from conftest import Cli, PipeWire, Procs, Pulse, Sink, fault_stream_server, run, wait_until  # noqa: E402

ROUNDS = int(sys.argv[1]) if len(sys.argv) > 1 else 7


def measure(kind, tone, folder):
    procs, server = Procs(), fault_stream_server.start(tone)
    try:
        pulse = PipeWire(procs, folder / kind) if kind == "pipewire" else Pulse(procs, folder / kind)
        sink = Sink(procs, pulse, "sinkA")
        cli = Cli(procs, folder / f"cli-{kind}", [("tone", server.url("/stream"), "calm")], pulse.env)
        quieter, silent, ramps, starts = [], [], [], []
        for round in range(ROUNDS):
            start = cli.do("toggle" if round else "mood calm", phase="playing")["t"]
            onset = wait_until(lambda: next((t for t, r in list(sink.blocks) if t > start and r > 0.002), None))
            wait_until(lambda: sink.blocks[-1][0] > onset + 1.5)
            full = sink.level(onset + 1.0, onset + 1.5)
            ramps.append(next(t for t, r in list(sink.blocks) if t > onset and r >= 0.9 * full) - onset)
            starts.append(sink.level(onset, onset + 0.05) / sink.level(onset + 0.28, onset + 0.32))
            paused = cli.do("toggle", phase="paused")["t"]
            wait_until(lambda: sink.blocks[-1][0] > paused + 0.5)
            quieter.append(next(t for t, r in list(sink.blocks) if t > paused and r < 0.9 * full) - paused)
            silent.append(sink.quiet(paused, span=0.3) - paused)
        cli.quit()
        ms = lambda values: f"{1000 * statistics.median(values):.0f} ms"
        print(f"{kind:10}  pause to quieter {ms(quieter)}, to silence {ms(silent)};"
              f" first sound to 90 % {ms(ramps)}, level 0-50 ms / at 0.3 s {statistics.median(starts):.2f}")
    finally:
        procs.close()
        server.shutdown()


with tempfile.TemporaryDirectory() as folder:
    folder = Path(folder)
    tone = folder / "tone.mp3"
    run("ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-f", "lavfi", "-i",
        "sine=frequency=440:sample_rate=44100:duration=10", "-af", "volume=3", "-ac", "2", "-c:a", "libmp3lame",
        "-b:a", "128k", tone, timeout=60)
    for kind in ("pulseaudio", "pipewire"):
        measure(kind, tone, folder)
