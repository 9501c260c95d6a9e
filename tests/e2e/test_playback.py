"""What the listener hears and reads while a station plays, and how quilvo-cli ends."""

import contextlib, os, signal, threading, time, urllib.parse

import dbus
import pytest

from conftest import MPRIS, wait_until


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


@pytest.mark.parametrize("pulse", ["pulseaudio", "pipewire"], indirect=True)
@pytest.mark.parametrize("burst", ["300 next in one write", "100 MPRIS Next in a second"])
def test_bursts_of_station_changes_hold_three_streams_at_most_and_leave_nothing_behind(
        quilvo_cli, streams, pulse, bus, burst):
    cli = quilvo_cli([(f"tone-{i}", streams.url(f"/stream?burst=1&n={i}"), "calm") for i in range(3)], **bus.env)
    cli.do("mood calm", phase="playing")
    cli.settle()
    task, fd = f"/proc/{cli.p.pid}/task", f"/proc/{cli.p.pid}/fd"
    threads, descriptors = len(os.listdir(task)), len(os.listdir(fd))
    most, sampling = [], threading.Event()

    def sample():
        while not sampling.is_set():
            most.append(len(pulse.sink_inputs()))

    sampler = threading.Thread(target=sample)
    sampler.start()
    if burst.startswith("300"):
        cli.p.stdin.write(b"next\n" * 300)
        cli.p.stdin.flush()
    else:
        assert wait_until(lambda: "quilvo" in bus.players()), "not on the bus"
        with contextlib.closing(dbus.bus.BusConnection(bus.address)) as conn:
            player = conn.get_object(MPRIS, "/org/mpris/MediaPlayer2")
            start = time.monotonic()
            for i in range(100):
                player.Next(dbus_interface="org.mpris.MediaPlayer2.Player")
                time.sleep(max(0, start + (i + 1) / 100 - time.monotonic()))
    cli.settle()
    one_playing = lambda: cli.states[-1]["phase"] == "playing" and len(pulse.sink_inputs()) == 1
    assert wait_until(one_playing, 20), cli.transcript()
    sampling.set()
    sampler.join()
    print(f"{burst}: at most {max(most)} streams in {len(most)} samples")
    assert max(most) <= 3, most
    assert pulse.pactl("info") is not None, "the sound server died"
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
