#!/usr/bin/python3
"""quilvo-cli on a generated catalogue of many stations (four moods, one in ten inactive): file
size, start-up time and peak memory, and how long `mood`, `next` and `quit` take to be answered.
Figures only: nothing here asserts a time.
Usage: bench/run catalogue [--stations N] [--runs N]"""

import argparse, json, socket, statistics, subprocess, sys, tempfile, threading, time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests/e2e"))
from conftest import BIN, Procs, quilvo_env  # noqa: E402

MOODS = ("bright", "calm", "energy", "sleep")


def catalogue(path, count, url):
    with path.open("w") as out:
        out.write('{"stations":[')
        for i in range(count):
            mood = MOODS[i % 4]
            out.write(("," if i else "") + json.dumps({
                "station_id": f"station{i}", "station_name": f"Station {i}",
                "stream_url": f"{url}/station{i}-128-mp3", "mood_ids": [mood],
                "primary_mood": mood, "homepage": f"https://example.org/station{i}/",
                "source": "Example", "active": i % 10 != 0}))
        out.write("]}")


def answered(p, lines, command):
    """Seconds from sending `command`, once the program is quiet, to its next line (its exit for
    quit)."""
    while lines and time.monotonic() - lines[-1] < 0.5:
        time.sleep(0.1)
    seen, start = len(lines), time.monotonic()
    p.stdin.write(command.encode() + b"\n")
    p.stdin.flush()
    if command == "quit":
        p.wait(60)
        return time.monotonic() - start
    while len(lines) == seen:
        time.sleep(0.001)
    return lines[seen] - start


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--stations", type=int, default=400_000)
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as folder:
        folder, procs = Path(folder), Procs()
        # Stations that take the connection and never answer: each stays connecting.
        silent = socket.create_server(("127.0.0.1", 0), backlog=64)
        catalogue(folder / "stations.json", args.stations, f"http://127.0.0.1:{silent.getsockname()[1]}")
        size = (folder / "stations.json").stat().st_size / 2**20
        figures = {"start-up": [], "peak memory MiB": [], "mood": [], "next": [], "quit": []}
        for run in range(args.runs):
            start = time.monotonic()
            p = procs.spawn(BIN / "quilvo-cli", "--json", "--catalogue", folder / "stations.json",
                            env={**quilvo_env(folder / f"run{run}"), "DO_NOT_TRACK": "1"},
                            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
            p.stdout.readline()
            figures["start-up"].append(time.monotonic() - start)
            lines = []
            threading.Thread(target=lambda: [lines.append(time.monotonic()) for _ in p.stdout], daemon=True).start()
            figures["mood"].append(answered(p, lines, "mood calm"))
            figures["next"] += [answered(p, lines, "next") for _ in range(5)]
            status = Path(f"/proc/{p.pid}/status").read_text()
            figures["peak memory MiB"].append(int(status.split("VmHWM:")[1].split()[0]) / 1024)
            figures["quit"].append(answered(p, lines, "quit"))
        procs.close()
    print(f"catalogue of {args.stations} stations, {size:.1f} MiB, {args.runs} runs (median, max):")
    for name, values in figures.items():
        unit = "" if "MiB" in name else " s"
        print(f"  {name}: {statistics.median(values):.3f}{unit}, {max(values):.3f}{unit}")


if __name__ == "__main__":
    main()
