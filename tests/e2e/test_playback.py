"""What the listener hears and reads while a station plays, and how quilvo-cli ends."""

import os, signal, urllib.parse

import pytest

from conftest import wait_until


@pytest.mark.parametrize("pulse", ["pulseaudio", "pipewire"], indirect=True)
def test_fades_in_as_a_ramp_and_is_silent_while_paused(quilvo_cli, streams, sink):
    recorder = sink()
    cli = quilvo_cli([("tone", streams.url("/stream"), "calm")])
    cli.do("mood calm", phase="playing")
    # The ramp starts with the first sound of all, however quiet.
    onset = wait_until(lambda: next((t for t, rms in list(recorder.blocks) if rms > 0.002), None))
    assert onset, "no audio reached the sink"
    assert wait_until(lambda: recorder.blocks[-1][0] > onset + 1.2)
    full = recorder.level(onset + 0.7, onset + 1.2)
    assert full > 0.1
    # From silence over 0.3 s as heard at the sink: neither a jump nor a crawl.
    assert recorder.level(onset, onset + 0.05) < 0.25 * recorder.level(onset + 0.28, onset + 0.32)
    reached = next(t for t, rms in recorder.blocks if t > onset + 0.02 and rms >= 0.9 * full)
    assert 0.2 <= reached - onset <= 0.6

    paused = cli.do("toggle", phase="paused")["t"]
    quiet = recorder.quiet(paused, span=1.5)
    assert quiet and quiet - paused <= 0.2, "the paused player is still heard"
    assert recorder.sound(cli.do("toggle", phase="playing")["t"]), "not heard after resuming"


def test_takes_titles_up_to_200_characters_as_literal_text(quilvo_cli, streams):
    first = "Artist A - Song One"
    # Each "é" is two code points, three bytes and one character on screen.
    too_long, longest = "e\u0301" * 201, "e\u0301" * 200
    markup = '<b>Bold</b> & <a href="x">link</a>\x01\x1b[31m\ttab\\ end'
    query = urllib.parse.urlencode([("every", 2)] + [("title", t) for t in (first, too_long, longest, markup)])
    cli = quilvo_cli([("titled", streams.url(f"/stream?{query}"), "calm")])
    cli.do("mood calm", phase="playing")
    cli.wait(song=first)
    # The overlong title is ignored: the stream's current title carries no text to show.
    assert cli.wait(lambda s: s["song"] != first)["song"] is None
    assert cli.wait(lambda s: s["song"] is not None)["song"] == longest
    assert cli.wait(lambda s: s["song"] != longest)["song"] == markup
    # Every control character is escaped: each line stays one valid JSON object.
    assert not [line for line in cli.lines if any(c < " " for c in line.rstrip("\n"))]


def test_rapid_station_changes_leave_no_threads_or_descriptors_behind(quilvo_cli, streams):
    cli = quilvo_cli([(f"tone-{i}", streams.url(f"/stream?burst=1&n={i}"), "calm") for i in range(3)])
    cli.do("mood calm", phase="playing")
    cli.settle()
    task, fd = f"/proc/{cli.p.pid}/task", f"/proc/{cli.p.pid}/fd"
    threads, descriptors = len(os.listdir(task)), len(os.listdir(fd))
    for _ in range(20):
        cli.send("next")
    cli.wait(phase="connecting")
    cli.wait(phase="playing")
    # Pools of GStreamer and GLib keep a few idle threads for a while; compare settled counts.
    assert wait_until(lambda: len(os.listdir(fd)) <= descriptors, 20), os.listdir(fd)
    assert wait_until(lambda: len(os.listdir(task)) <= threads + 2, 30), len(os.listdir(task))


# "quit" ends every test's programs (the lab's teardown).
@pytest.mark.parametrize("way", ["end-of-input", "SIGINT", "SIGTERM"])
def test_ends_with_exit_code_zero_while_playing(quilvo_cli, streams, way):
    cli = quilvo_cli([("tone", streams.url("/stream"), "calm")])
    cli.do("mood calm", phase="playing")
    cli.p.stdin.close() if way == "end-of-input" else cli.p.send_signal(getattr(signal, way))
    assert cli.p.wait(5) == 0, cli.transcript()
