"""quilvo-cli when the network goes away and when the machine sleeps, as NetworkManager and
logind (python3-dbusmock on a private system bus) tell it."""

import time

from conftest import OFFLINE, wait_until

LOCK = ("sleep", "Quilvo", "音乐在睡眠前淡出", "delay")


def test_an_outage_is_waited_out_on_the_same_station_and_sleep_silences_and_releases_the_lock(
        quilvo_cli, streams, sink, system_bus):
    recorder = sink()
    cli = quilvo_cli([("stalling", streams.url("/stream?stall=3"), "calm"),
                      ("tone", streams.url("/stream"), "bright")], **system_bus.env)
    cli.do("mood calm", phase="playing")
    system_bus.online(False)
    cli.wait(status=OFFLINE, phase="connecting", station="stalling")
    # Longer than a whole attempt round: nothing fails, nothing gives up.
    cli.none(lambda s: (s["status"], s["station"]) != (OFFLINE, "stalling"), 32)
    connections = len(streams.requests)
    back = time.monotonic()
    system_bus.online(True)
    again = cli.wait(phase="playing", station="stalling", status="")
    print(f"connectivity back to playing: {again['t'] - back:.2f} s")
    assert again["t"] - back < 2
    assert len(streams.requests) == connections + 1
    assert recorder.sound(again["t"])
    cli.settle()
    assert (cli.count("station_start", "stalling"), cli.count("station_failed", "stalling")) == (1, 0)

    # The lock is held while playing, released once the music has faded before sleep, and taken
    # again on resume, unless the listener paused.
    cli.do("mood bright", phase="playing", station="tone")
    assert wait_until(lambda: system_bus.inhibitors() == [LOCK])
    asleep = time.monotonic()
    system_bus.prepare_for_sleep(True)
    quiet = recorder.quiet(asleep)
    assert quiet and quiet - asleep < 1, "still heard going to sleep"
    assert wait_until(lambda: system_bus.inhibitors() == [], 2), "the sleep lock was kept"
    system_bus.prepare_for_sleep(False)
    assert recorder.sound(cli.wait(phase="playing", station="tone")["t"]), "not heard after resume"
    assert wait_until(lambda: system_bus.inhibitors() == [LOCK])

    cli.do("toggle", phase="paused")
    assert wait_until(lambda: system_bus.inhibitors() == [], 2)
    system_bus.prepare_for_sleep(True)
    system_bus.prepare_for_sleep(False)
    cli.settle()
    assert cli.states[-1]["phase"] == "paused"
    assert cli.count("station_start", "tone") == 1
